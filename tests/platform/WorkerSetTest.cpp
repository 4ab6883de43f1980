#include "platform/Pause.h"
#include "platform/WorkerSet.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// What a worker uses: it must still be there whenever the worker touches it.
struct Watched
{
    std::atomic<bool> alive{true};
    std::atomic<int> touchedDead{0};
    std::atomic<int> finished{0};

    void Touch()
    {
        if (!alive)
            ++touchedDead;
    }
};

TEST(WorkerSet, DestroyingTheSetStopsWorkersInTheirPausesAndJoinsThem)
{
    SetPauseScale(1.0);
    Watched watched;
    const auto start = Clock::now();
    {
        WorkerSet workers;
        for (int i = 0; i < 3; ++i) {
            workers.Start([&watched] {
                // An hour's pacing, as a long archive or print job has.
                while (!WorkerStopRequested())
                    Pause(1h);
                watched.Touch();
                ++watched.finished;
            });
        }
        EXPECT_EQ(workers.Running(), 3);
        std::this_thread::sleep_for(20ms); // every worker is in its pause
    }
    watched.alive = false;
    EXPECT_LT(Clock::now() - start, 2s) << "the pauses ended when the owner asked";
    EXPECT_EQ(watched.finished, 3) << "every worker ended before the set was gone";
    EXPECT_EQ(watched.touchedDead, 0);
}

TEST(WorkerSet, JoinWaitsForWorkersStartedMeanwhileAndStopReachesThemToo)
{
    std::atomic<int> ended{0};
    std::atomic<bool> secondSawStop{false};
    WorkerSet workers;
    workers.Start([&] {
        while (!WorkerStopRequested())
            std::this_thread::sleep_for(1ms);
        // Started while the set is being stopped: asked to stop from its start.
        workers.Start([&] {
            secondSawStop = WorkerStopRequested();
            ++ended;
        });
        ++ended;
    });
    workers.StopAndJoin();
    EXPECT_EQ(ended, 2);
    EXPECT_TRUE(secondSawStop);
    EXPECT_EQ(workers.Running(), 0);

    // The set is usable again afterwards, and a plain Join lets a worker finish its work.
    std::atomic<bool> stoppedEarly{true};
    workers.Start([&] {
        std::this_thread::sleep_for(20ms);
        stoppedEarly = WorkerStopRequested();
    });
    workers.Join();
    EXPECT_FALSE(stoppedEarly);
}

TEST(WorkerSet, EndedWorkersAreForgottenAndOtherThreadsAreNeverAskedToStop)
{
    WorkerSet workers;
    for (int i = 0; i < 200; ++i)
        workers.Start([] {});
    workers.Join();
    EXPECT_EQ(workers.Running(), 0);

    EXPECT_FALSE(WorkerStopRequested());
    EXPECT_FALSE(CurrentWorkerStop().stop_possible());
    // Away from a worker a pause still takes its time.
    SetPauseScale(1.0);
    const auto start = Clock::now();
    Pause(30ms);
    EXPECT_GE(Clock::now() - start, 30ms);
}

} // namespace
