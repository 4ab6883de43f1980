#include "phone/RateLimit.h"

namespace {

// Past this many clients the idle ones are forgotten.
constexpr std::size_t ClientsKept = 4096;

} // namespace

RateLimit::RateLimit(int count, Clock::duration window)
    : m_count(count)
    , m_window(window)
{
}

bool RateLimit::Allow(const QString &client, Clock::time_point now)
{
    const std::lock_guard lock(m_lock);
    if (m_events.size() >= ClientsKept && !m_events.count(client)) {
        ForgetIdle(now);
        if (m_events.size() >= ClientsKept)
            return false;
    }
    std::deque<Clock::time_point> &events = m_events[client];
    while (!events.empty() && now - events.front() >= m_window)
        events.pop_front();
    if (static_cast<int>(events.size()) >= m_count)
        return false;
    events.push_back(now);
    return true;
}

void RateLimit::ForgetIdle(Clock::time_point now)
{
    for (auto it = m_events.begin(); it != m_events.end();) {
        if (it->second.empty() || now - it->second.back() >= m_window)
            it = m_events.erase(it);
        else
            ++it;
    }
}
