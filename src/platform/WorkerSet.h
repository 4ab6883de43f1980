#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <stop_token>
#include <thread>

// The owner of an object's worker threads: starts them, asks them to stop
// and joins them. An object whose workers use it keeps a WorkerSet as its
// last member (or stops it first thing in its destructor), so no worker
// outlives what it uses. Workers that have ended are joined at the next
// Start, so a set that starts one worker per photo stays small.
//
// A worker learns that it is asked to stop from WorkerStopRequested(); every
// Pause on it then returns at once, so a worker in its pacing ends promptly.
class WorkerSet final
{
public:
    WorkerSet() = default;
    // Asks every worker to stop and joins them.
    ~WorkerSet();
    WorkerSet(const WorkerSet &) = delete;
    WorkerSet &operator=(const WorkerSet &) = delete;

    // Runs `body` on a thread of its own. Throws std::system_error when no
    // thread can be made. A worker started while StopAndJoin runs is asked
    // to stop at once.
    void Start(std::function<void()> body);
    // Starts a worker like Start; returns its thread's handle, valid until the worker ends.
    std::thread::native_handle_type StartWithHandle(std::function<void()> body);

    // Asks every running worker to stop; does not wait.
    void RequestStop();
    // Waits until every worker has ended, those started meanwhile too. Never
    // call it from one of the set's own workers.
    void Join();
    void StopAndJoin();

    // Workers started and not yet ended.
    int Running() const { return m_running.load(); }

private:
    struct Worker
    {
        std::thread thread;
        // Made before the thread, so a stop asked for at the start is seen from its first step.
        std::stop_source stop;
        std::atomic<bool> ended{false};
    };

    void JoinEnded();

    mutable std::mutex m_mutex;
    std::list<Worker> m_workers; // nodes stay put while their threads run
    bool m_stopping = false;
    std::atomic<int> m_running{0};
};

// True on a worker thread whose WorkerSet asked it to stop; false on any
// thread a WorkerSet did not start.
bool WorkerStopRequested();

// The stop token of the calling worker thread; an empty token elsewhere.
std::stop_token CurrentWorkerStop();
