#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// The command queue's lock: a mutex its owner thread may take again, and a
// wake-up for a thread waiting for work. The held flag is set by the first
// acquire and never cleared: it tells that the lock has been used at all.
class Synchronized
{
public:
    Synchronized() = default;
    virtual ~Synchronized() = default;
    Synchronized(const Synchronized &) = delete;
    Synchronized &operator=(const Synchronized &) = delete;

    virtual void acquire();
    virtual void release();
    // Called with the lock held: lets it go until signal() or the time has
    // passed, then holds it again.
    virtual void pause(std::chrono::milliseconds limit);
    // The same without a time limit.
    virtual void wait();
    // Wakes a thread that pauses or waits.
    virtual void signal();
    virtual bool isHeld() const;

private:
    std::recursive_mutex m_mutex;
    std::condition_variable_any m_wake;
    std::atomic<bool> m_held{false};
};
