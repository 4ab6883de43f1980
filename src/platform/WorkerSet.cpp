#include "platform/WorkerSet.h"

#include <system_error>

namespace {

thread_local std::stop_token t_workerStop;

} // namespace

WorkerSet::~WorkerSet()
{
    StopAndJoin();
}

void WorkerSet::Start(std::function<void()> body)
{
    StartWithHandle(std::move(body));
}

std::thread::native_handle_type WorkerSet::StartWithHandle(std::function<void()> body)
{
    JoinEnded();
    const std::lock_guard lock(m_mutex);
    Worker &worker = m_workers.emplace_back();
    if (m_stopping)
        worker.stop.request_stop();
    ++m_running;
    try {
        worker.thread = std::thread([this, &worker, body = std::move(body)]() mutable {
            t_workerStop = worker.stop.get_token();
            body();
            body = nullptr; // what the body holds goes while the set still waits for it
            t_workerStop = {};
            --m_running;
            // Last: the set may join and forget the worker from here on.
            worker.ended.store(true, std::memory_order_release);
        });
    } catch (const std::system_error &) {
        --m_running;
        m_workers.pop_back();
        throw;
    }
    return worker.thread.native_handle();
}

void WorkerSet::JoinEnded()
{
    std::list<Worker> ended;
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            const auto next = std::next(it);
            if (it->ended.load(std::memory_order_acquire))
                ended.splice(ended.end(), m_workers, it);
            it = next;
        }
    }
    // The threads have done their last step: these joins return at once.
    for (Worker &worker : ended)
        worker.thread.join();
}

void WorkerSet::RequestStop()
{
    const std::lock_guard lock(m_mutex);
    for (Worker &worker : m_workers)
        worker.stop.request_stop();
}

void WorkerSet::Join()
{
    for (;;) {
        std::list<Worker> taken;
        {
            const std::lock_guard lock(m_mutex);
            if (m_workers.empty())
                return;
            taken.splice(taken.end(), m_workers);
        }
        for (Worker &worker : taken)
            worker.thread.join();
    }
}

void WorkerSet::StopAndJoin()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    RequestStop();
    Join();
    const std::lock_guard lock(m_mutex);
    m_stopping = false;
}

bool WorkerStopRequested()
{
    return t_workerStop.stop_requested();
}

std::stop_token CurrentWorkerStop()
{
    return t_workerStop;
}
