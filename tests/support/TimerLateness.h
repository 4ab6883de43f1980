#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <vector>

// How late a timer's ticks come: each tick's wait beyond the timer's
// interval since the tick before. A timer on the user-interface thread
// ticking late means its window did not answer for that long.
class TimerLateness final
{
public:
    explicit TimerLateness(const QTimer &timer)
        : m_interval(timer.interval())
    {
        m_connection = QObject::connect(&timer, &QTimer::timeout, [this] { OnTick(); });
    }
    ~TimerLateness() { QObject::disconnect(m_connection); }
    TimerLateness(const TimerLateness &) = delete;
    TimerLateness &operator=(const TimerLateness &) = delete;

    size_t Ticks() const { return m_lateness.size(); }
    std::chrono::milliseconds Worst() const
    {
        return std::chrono::milliseconds(m_lateness.empty() ? 0 : *std::max_element(m_lateness.begin(), m_lateness.end()));
    }
    double Mean() const
    {
        double mean = 0;
        for (const qint64 late : m_lateness)
            mean += static_cast<double>(late) / static_cast<double>(m_lateness.size());
        return mean;
    }

private:
    void OnTick()
    {
        if (m_sinceTick.isValid())
            m_lateness.push_back(std::max<qint64>(0, m_sinceTick.elapsed() - m_interval));
        m_sinceTick.restart();
    }

    const int m_interval;
    QElapsedTimer m_sinceTick;
    std::vector<qint64> m_lateness;
    QMetaObject::Connection m_connection;
};
