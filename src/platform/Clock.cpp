#include "platform/Clock.h"

#include <memory>
#include <mutex>

namespace Clock {

namespace {

std::mutex g_lock;
// Null while the real clock is in use. Shared so a caller can run the source
// outside the lock while another thread replaces it.
std::shared_ptr<const std::function<QDateTime()>> g_source;

} // namespace

QDateTime Now()
{
    std::shared_ptr<const std::function<QDateTime()>> source;
    {
        const std::lock_guard guard(g_lock);
        source = g_source;
    }
    return source ? (*source)() : QDateTime::currentDateTime();
}

void Fix(std::function<QDateTime()> source)
{
    auto shared = source ? std::make_shared<const std::function<QDateTime()>>(std::move(source)) : nullptr;
    const std::lock_guard guard(g_lock);
    g_source = std::move(shared);
}

void Reset()
{
    Fix(nullptr);
}

} // namespace Clock
