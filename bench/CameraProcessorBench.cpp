// The camera command processor at rest and at work: how long a posted
// command waits before an idle processor performs it, how fast a full queue
// drains (the processor sleeps 1 ms before each take, by design), and how
// much processor time an idle processor costs while it waits for commands.
// Usage: CameraProcessorBench [commands [idle-seconds]]   (1000 and 10 by default)

#include "camera/CameraModel.h"
#include "camera/Processor.h"
#include "camera/sdk/SimulatedCamera.h"
#include "platform/Pause.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

// Tells the waiting bench when it was performed.
class Stamp final : public Command
{
public:
    Stamp(CameraModel &model, std::mutex &mutex, std::condition_variable &done, Clock::time_point &performed)
        : Command(model), m_mutex(mutex), m_done(done), m_performed(performed) {}
    bool perform() override
    {
        std::lock_guard lock(m_mutex);
        m_performed = Clock::now();
        m_done.notify_one();
        return true;
    }

private:
    std::mutex &m_mutex;
    std::condition_variable &m_done;
    Clock::time_point &m_performed;
};

double CpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Post-to-perform latencies in microseconds, one command at a time.
std::vector<double> Latencies(CameraModel &model, int commands)
{
    Processor processor;
    processor.start();
    std::mutex mutex;
    std::condition_variable done;
    std::vector<double> latencies;
    for (int i = 0; i < commands; ++i) {
        Clock::time_point performed{};
        const Clock::time_point posted = Clock::now();
        processor.post(std::make_unique<Stamp>(model, mutex, done, performed));
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return performed != Clock::time_point{}; });
        latencies.push_back(std::chrono::duration<double, std::micro>(performed - posted).count());
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(2)); // the processor is idle again, as between clicks
    }
    processor.stop(nullptr);
    std::sort(latencies.begin(), latencies.end());
    return latencies;
}

// Commands posted all at once: the time per command, the 1 ms gap included.
double BackToBackMicroseconds(CameraModel &model, int commands)
{
    Processor processor;
    std::mutex mutex;
    std::condition_variable done;
    std::vector<Clock::time_point> performed(commands);
    for (int i = 0; i < commands; ++i)
        processor.post(std::make_unique<Stamp>(model, mutex, done, performed[i]));
    const Clock::time_point start = Clock::now();
    processor.start();
    {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return performed.back() != Clock::time_point{}; });
    }
    processor.stop(nullptr);
    return std::chrono::duration<double, std::micro>(performed.back() - start).count() / commands;
}

void Report(const char *what, const std::vector<double> &sorted)
{
    const auto at = [&](double q) { return sorted[std::min(sorted.size() - 1, std::size_t(q * double(sorted.size())))]; };
    std::printf("%-40s median %8.1f us   p90 %8.1f us   p99 %8.1f us   max %8.1f us\n", what, at(0.5), at(0.9), at(0.99),
                sorted.back());
}

} // namespace

int main(int argc, char **argv)
{
    const int commands = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;

    SimulatedCamera camera;
    CameraModel model(camera, nullptr);

    std::printf("post to perform, %d commands, one at a time:\n", commands);
    Report("as the program runs (1 ms gap)", Latencies(model, commands));
    SetPauseScale(0.0);
    Report("the queue's own cost (gap scaled to 0)", Latencies(model, commands));
    SetPauseScale(1.0);
    std::printf("%-40s %8.1f us per command\n", "posted all at once (1 ms gap each)", BackToBackMicroseconds(model, commands));

    Processor processor;
    processor.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const Clock::time_point wall0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    processor.stop(nullptr);
    std::printf("idle processor over %.1f s: %.3f ms of processor time (%.4f %% of one core)\n", wall, cpu * 1e3,
                cpu / wall * 100.0);
    return 0;
}
