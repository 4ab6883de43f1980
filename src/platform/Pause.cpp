#include "platform/Pause.h"

#include "platform/WorkerSet.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::atomic<double> g_scale{1.0};

} // namespace

void Pause(std::chrono::milliseconds duration)
{
    const double scale = g_scale.load(std::memory_order_relaxed);
    if (scale <= 0.0 || duration.count() <= 0)
        return;
    const std::chrono::duration<double, std::milli> scaled(static_cast<double>(duration.count()) * scale);
    const std::stop_token stop = CurrentWorkerStop();
    if (!stop.stop_possible()) {
        std::this_thread::sleep_for(scaled);
        return;
    }
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, scaled, [] { return false; });
}

void SetPauseScale(double scale)
{
    g_scale.store(scale, std::memory_order_relaxed);
}

double PauseScale()
{
    return g_scale.load(std::memory_order_relaxed);
}
