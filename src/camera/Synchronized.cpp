#include "camera/Synchronized.h"

void Synchronized::acquire()
{
    m_mutex.lock();
    m_held.store(true, std::memory_order_relaxed);
}

void Synchronized::release()
{
    m_mutex.unlock();
}

void Synchronized::pause(std::chrono::milliseconds limit)
{
    m_wake.wait_for(m_mutex, limit);
}

void Synchronized::wait()
{
    m_wake.wait(m_mutex);
}

void Synchronized::signal()
{
    m_wake.notify_all();
}

bool Synchronized::isHeld() const
{
    return m_held.load(std::memory_order_relaxed);
}
