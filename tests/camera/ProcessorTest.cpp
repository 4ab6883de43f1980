#include "camera/CameraModel.h"
#include "camera/Processor.h"
#include "camera/sdk/SimulatedCamera.h"
#include "platform/Pause.h"

#include "tests/camera/CameraTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kScale = 0.02; // 500 ms retry pauses last 10 ms

// What the scripted commands of one run did.
struct Journal
{
    std::mutex mutex;
    std::vector<std::string> performed;
    std::map<std::string, std::vector<Clock::time_point>> times;
    std::atomic<int> deleted{0};

    std::string order()
    {
        std::lock_guard lock(mutex);
        std::string text;
        for (const std::string &name : performed)
            text += (text.empty() ? "" : " ") + name;
        return text;
    }
};

// A command that answers from a script: false while `busy` tries remain.
// The one named "hold" waits in its first try until the test lets it go.
class ScriptedCommand final : public Command
{
public:
    ScriptedCommand(CameraModel &model, std::string name, int busy, Journal &journal, std::shared_future<void> hold = {},
                    std::promise<void> *started = nullptr)
        : Command(model), m_name(std::move(name)), m_busy(busy), m_journal(journal), m_hold(std::move(hold)), m_started(started)
    {
    }
    ~ScriptedCommand() override { ++m_journal.deleted; }

    bool perform() override
    {
        {
            std::lock_guard lock(m_journal.mutex);
            m_journal.performed.push_back(m_name);
            m_journal.times[m_name].push_back(Clock::now());
        }
        if (m_started) {
            m_started->set_value();
            m_started = nullptr;
            m_hold.wait();
        }
        return m_busy-- <= 0;
    }

private:
    const std::string m_name;
    int m_busy;
    Journal &m_journal;
    std::shared_future<void> m_hold;
    std::promise<void> *m_started;
};

struct Case
{
    const char *name;
    // Commands as "NAME:BUSY"; the first is held while the others are posted
    // when `holdFirst` is set, and the orderly stop comes while it is held
    // when `stopWhileHeld` is set.
    std::vector<std::pair<std::string, int>> commands;
    bool holdFirst;
    bool stopWhileHeld;
    bool withFinal;
    std::string expectedOrder;
    int expectedDeleted; // scripted commands, the final one not counted
};

void PrintTo(const Case &c, std::ostream *out)
{
    *out << c.name;
}

class ProcessorCases : public testing::TestWithParam<Case>
{
protected:
    void SetUp() override { SetPauseScale(kScale); }
    void TearDown() override { SetPauseScale(1.0); }
};

TEST_P(ProcessorCases, RunsAsScripted)
{
    const Case &c = GetParam();
    SimulatedCamera camera;
    CameraModel model(camera, nullptr);
    Journal journal;
    Journal finalJournal;
    Processor processor;

    std::promise<void> release;
    std::promise<void> started;
    const std::shared_future<void> hold = release.get_future().share();

    auto make = [&](std::size_t i) {
        const bool held = i == 0 && c.holdFirst;
        return std::make_unique<ScriptedCommand>(model, c.commands[i].first, c.commands[i].second, journal,
                                                 held ? hold : std::shared_future<void>(), held ? &started : nullptr);
    };

    if (c.holdFirst) {
        // The first runs; the others are posted while it is being performed.
        processor.start();
        processor.post(make(0));
        started.get_future().wait();
        for (std::size_t i = 1; i < c.commands.size(); ++i)
            processor.post(make(i));
    } else {
        for (std::size_t i = 0; i < c.commands.size(); ++i)
            processor.post(make(i));
        processor.start();
    }

    auto final = c.withFinal ? std::make_unique<ScriptedCommand>(model, "final", 5, finalJournal) : nullptr;
    if (c.stopWhileHeld) {
        std::thread stopper([&] { processor.stop(std::move(final)); });
        ASSERT_TRUE(Eventually([&] { return !processor.isRunning(); }));
        release.set_value();
        stopper.join();
    } else {
        if (c.holdFirst)
            release.set_value();
        const int attempts = [&] {
            int total = 0;
            for (const auto &[name, busy] : c.commands)
                total += busy + 1;
            return total;
        }();
        ASSERT_TRUE(Eventually([&] { return journal.deleted == int(c.commands.size()); }))
            << journal.order() << " of " << attempts << " attempts";
        processor.stop(std::move(final));
    }

    EXPECT_FALSE(processor.inBody()) << "the thread has ended";
    EXPECT_EQ(journal.order(), c.expectedOrder);
    EXPECT_EQ(journal.deleted, c.expectedDeleted);
    EXPECT_EQ(processor.queued(), 0u);
    EXPECT_EQ(finalJournal.order(), c.withFinal ? "final" : "") << "a final command is performed once, whatever it answers";
    EXPECT_EQ(finalJournal.deleted, c.withFinal ? 1 : 0);
    EXPECT_TRUE(camera.calls().empty()) << "the processor itself never touches the camera";

    // Retried commands come back no sooner than the retry pause.
    for (const auto &[name, times] : journal.times)
        for (std::size_t i = 1; i < times.size(); ++i) {
            const double gapMs = std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count();
            EXPECT_GE(gapMs, 500 * kScale) << name;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Processor, ProcessorCases,
    testing::Values(
        Case{"posted_while_another_runs_keep_their_order", {{"A", 0}, {"B", 0}, {"C", 0}}, true, false, true, "A B C", 3},
        Case{"busy_three_times_performed_four_times_behind_later_posts", {{"A", 3}, {"B", 0}, {"C", 0}}, false, false, true,
             "A B C A A A", 3},
        Case{"stop_with_three_waiting_performs_none_of_them", {{"A", 0}, {"B", 0}, {"C", 0}, {"D", 0}}, true, true, true, "A", 4},
        Case{"stop_while_a_retry_waits_drops_it", {{"A", 2}, {"B", 0}}, true, true, true, "A", 2},
        Case{"stop_without_final_command", {}, false, false, false, "", 0}),
    [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// A command posted by a command from the processor's own thread runs after it.
TEST(Processor, CommandsMayPostFromThePerformingThread)
{
    SetPauseScale(kScale);
    SimulatedCamera camera;
    CameraModel model(camera, nullptr);
    Processor processor;
    std::mutex mutex;
    std::vector<std::string> order;

    class Posting final : public Command
    {
    public:
        Posting(CameraModel &model, Processor &processor, std::mutex &mutex, std::vector<std::string> &order, bool again)
            : Command(model), m_processor(processor), m_mutex(mutex), m_order(order), m_again(again) {}
        bool perform() override
        {
            {
                std::lock_guard lock(m_mutex);
                m_order.push_back(m_again ? "first" : "follow-up");
            }
            if (m_again)
                m_processor.post(std::make_unique<Posting>(model(), m_processor, m_mutex, m_order, false));
            return true;
        }

    private:
        Processor &m_processor;
        std::mutex &m_mutex;
        std::vector<std::string> &m_order;
        const bool m_again;
    };

    processor.start();
    processor.post(std::make_unique<Posting>(model, processor, mutex, order, true));
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(mutex);
        return order.size() == 2;
    }));
    processor.stop(nullptr);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "follow-up"}));

    // Posted after the end: kept unperformed, deleted with the processor.
    Journal journal;
    processor.post(std::make_unique<ScriptedCommand>(model, "late", 0, journal));
    EXPECT_EQ(processor.queued(), 1u);
    EXPECT_TRUE(journal.order().empty());
    SetPauseScale(1.0);
}

// A stop that comes before the thread got going still ends it.
TEST(Processor, StopRightAfterStartEnds)
{
    SimulatedCamera camera;
    CameraModel model(camera, nullptr);
    for (int i = 0; i < 50; ++i) {
        Processor processor;
        processor.start();
        Journal journal;
        EXPECT_TRUE(processor.stop(std::make_unique<ScriptedCommand>(model, "final", 0, journal)));
        EXPECT_EQ(journal.deleted, 1);
    }
}

} // namespace
