#pragma once

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Runs work that must live on the user-interface thread (a modal dialog) for
// a worker thread that waits until it is done: the camera's command
// processor shows the shot review this way, so no camera command runs while
// the review is open and no widget ever lives on the processor's thread.
//
// The wait can always be ended from the user-interface thread: release()
// lets the waiting worker go at once and closes the dialog the work
// registered, so a close that waits for the worker can never wait for a
// dialog the worker waits for. One per camera session; after release()
// every later run returns at once.
class UiThreadWait final
{
public:
    // `ui` lives on the user-interface thread; the work runs in its event loop.
    explicit UiThreadWait(QObject *ui);
    ~UiThreadWait();

    // Runs `work` on the user-interface thread and waits for it to return.
    // True when it ran to its end; false when the wait was released first
    // (the work may then still run, or never). Called on the user-interface
    // thread itself, the work simply runs.
    bool run(std::function<void()> work);

    // For the work, on the user-interface thread: how to end it early (for
    // example the dialog's reject); forgotten when the work returns.
    void closeOnRelease(std::function<void()> close);

    // On the user-interface thread: the waiting worker goes on at once, the
    // running work is asked to close, later runs return false at once.
    void release();
    bool released() const;

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        std::function<void()> close;
    };
    QPointer<QObject> m_ui;
    std::shared_ptr<State> m_state;
};
