#include "camera/Thread.h"

Thread::~Thread()
{
    // Last resort: a subclass that forgot to join would otherwise end the process.
    if (m_thread.joinable())
        m_thread.join();
}

void Thread::launch()
{
    m_thread = std::thread([this] {
        m_id.store(std::this_thread::get_id());
        m_inBody.store(true);
        body();
        m_inBody.store(false);
    });
}

void Thread::join()
{
    if (m_thread.joinable())
        m_thread.join();
    m_id.store(std::thread::id{});
}

bool Thread::isCurrentThread() const
{
    return m_id.load() == std::this_thread::get_id();
}

bool Thread::isStarted() const
{
    return m_thread.joinable();
}
