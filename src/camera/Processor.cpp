#include "camera/Processor.h"

#include "platform/Pause.h"

#include <chrono>

using namespace std::chrono_literals;

Processor::~Processor()
{
    // Only reached with a running thread when nobody stopped it in order:
    // stop it without a final command, so no command outlives its model.
    stop(nullptr);
    clearQueue();
}

void Processor::start()
{
    // The flag is set before the thread exists, so a stop requested before
    // the thread got going is not undone by the thread itself.
    m_lock.acquire();
    m_running = true;
    m_lock.release();
    launch();
}

void Processor::post(std::unique_ptr<Command> command)
{
    if (!command)
        return;
    m_lock.acquire();
    m_queue.push_back(std::move(command));
    m_lock.signal();
    m_lock.release();
}

void Processor::setFinalCommand(std::unique_ptr<Command> command)
{
    m_lock.acquire();
    m_final = std::move(command);
    m_lock.release();
}

void Processor::requestStop()
{
    m_lock.acquire();
    m_running = false;
    m_lock.signal();
    m_lock.release();
}

void Processor::clearQueue()
{
    std::deque<std::unique_ptr<Command>> dropped;
    m_lock.acquire();
    dropped.swap(m_queue);
    m_lock.release();
    // Deleted outside the lock: a transfer item goes back to the camera library here.
}

bool Processor::stop(std::unique_ptr<Command> final)
{
    if (isCurrentThread())
        return false;
    std::lock_guard stopping(m_stopping);
    if (!isStarted())
        return true;
    m_lock.acquire();
    if (m_running)
        m_final = std::move(final);
    m_running = false;
    m_lock.signal();
    m_lock.release();
    join();
    return true;
}

std::size_t Processor::queued()
{
    m_lock.acquire();
    const std::size_t count = m_queue.size();
    m_lock.release();
    return count;
}

// The front command, or nothing once the stop was requested; waits while
// the queue is empty. Waiting commands stay queued when the stop comes.
std::unique_ptr<Command> Processor::take()
{
    std::unique_ptr<Command> command;
    m_lock.acquire();
    while (m_queue.empty() && m_running)
        m_lock.wait();
    if (!m_queue.empty() && m_running) {
        command = std::move(m_queue.front());
        m_queue.pop_front();
    }
    m_lock.release();
    return command;
}

void Processor::body()
{
    while (m_running) {
        Pause(1ms);
        std::unique_ptr<Command> command = take();
        if (!command)
            continue;
        if (!command->perform()) {
            // Busy: again later, behind whatever was posted meanwhile.
            Pause(500ms);
            post(std::move(command));
        }
    }
    clearQueue();
    m_lock.acquire();
    std::unique_ptr<Command> final = std::move(m_final);
    m_lock.release();
    if (final)
        final->perform();
}
