#pragma once

#include "camera/Command.h"
#include "camera/Synchronized.h"
#include "camera/Thread.h"

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

// The command processor: one thread that performs camera commands one after
// the other, in the order they were posted. A command that finds the camera
// busy goes to the back of the queue again after a 500 ms pause. Any thread
// may post, the processor's own thread too (from inside a command).
class Processor final : public Thread
{
public:
    Processor() = default;
    ~Processor() override;

    // Starts the thread; the processor runs until requestStop(). Never restarted.
    void start();

    // Takes ownership; the command is deleted once performed, or unperformed
    // when the queue is cleared or the processor destroyed.
    void post(std::unique_ptr<Command> command);
    // Performed once after the loop has ended (the session close).
    void setFinalCommand(std::unique_ptr<Command> command);
    // The loop ends after the command it is performing; waiting commands are
    // deleted unperformed.
    void requestStop();
    void clearQueue();

    // The orderly stop: the final command set, the stop requested and the
    // thread waited for. Once the thread has ended (or never started) the
    // final command is dropped unperformed. Returns false, doing nothing,
    // when called on the processor's own thread, which cannot wait for itself.
    bool stop(std::unique_ptr<Command> final);

    bool isRunning() const { return m_running.load(); }
    std::size_t queued();

protected:
    void body() override;

private:
    std::unique_ptr<Command> take();

    std::atomic<bool> m_running{false};
    std::deque<std::unique_ptr<Command>> m_queue;
    std::unique_ptr<Command> m_final;
    Synchronized m_lock;
    std::mutex m_stopping; // one orderly stop at a time
};
