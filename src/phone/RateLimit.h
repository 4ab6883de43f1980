#pragma once

#include <QString>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>

// At most `count` events per client within any `window`: a phone that sends
// more is refused until its oldest event has left the window. Safe from any
// thread. The clients tracked are bounded, so a crowd of addresses cannot
// grow it without end.
class RateLimit
{
public:
    using Clock = std::chrono::steady_clock;

    RateLimit(int count, Clock::duration window);

    // Counts the event and says whether it is within the limit.
    bool Allow(const QString &client, Clock::time_point now = Clock::now());

private:
    void ForgetIdle(Clock::time_point now);

    const int m_count;
    const Clock::duration m_window;
    std::mutex m_lock;
    std::map<QString, std::deque<Clock::time_point>> m_events;
};
