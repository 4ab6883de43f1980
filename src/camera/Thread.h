#pragma once

#include <atomic>
#include <thread>

// A worker thread that runs one body: launch() starts it, join() waits for
// it to end and forgets it. A subclass must have joined its thread before
// its own destructor finishes, since the body belongs to the subclass.
class Thread
{
public:
    Thread() = default;
    virtual ~Thread();
    Thread(const Thread &) = delete;
    Thread &operator=(const Thread &) = delete;

    void join();
    // True from just before the body runs until just after it returns.
    bool inBody() const { return m_inBody.load(); }
    // True when the caller runs on this thread.
    bool isCurrentThread() const;
    // True between start() and join().
    bool isStarted() const;

protected:
    void launch();
    virtual void body() = 0;

private:
    std::thread m_thread;
    std::atomic<std::thread::id> m_id{};
    std::atomic<bool> m_inBody{false};
};
