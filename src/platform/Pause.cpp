#include "platform/Pause.h"

#include <atomic>
#include <thread>

namespace {

std::atomic<double> g_scale{1.0};

} // namespace

void Pause(std::chrono::milliseconds duration)
{
    const double scale = g_scale.load(std::memory_order_relaxed);
    if (scale <= 0.0 || duration.count() <= 0)
        return;
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(static_cast<double>(duration.count()) * scale));
}

void SetPauseScale(double scale)
{
    g_scale.store(scale, std::memory_order_relaxed);
}

double PauseScale()
{
    return g_scale.load(std::memory_order_relaxed);
}
