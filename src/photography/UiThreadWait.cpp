#include "photography/UiThreadWait.h"

#include <QMetaObject>
#include <QThread>

UiThreadWait::UiThreadWait(QObject *ui) : m_ui(ui), m_state(std::make_shared<State>()) {}

UiThreadWait::~UiThreadWait() = default;

bool UiThreadWait::run(std::function<void()> work)
{
    QObject *ui = m_ui.data();
    if (!ui)
        return false;
    if (QThread::currentThread() == ui->thread()) {
        if (released())
            return false;
        work();
        return true;
    }
    struct Request
    {
        bool done = false;
    };
    auto request = std::make_shared<Request>();
    std::shared_ptr<State> state = m_state;
    {
        std::lock_guard lock(state->mutex);
        if (state->released)
            return false;
    }
    // Shared by value: a released worker may be gone when the work ends.
    QMetaObject::invokeMethod(
        ui,
        [state, request, work = std::move(work)] {
            {
                std::lock_guard lock(state->mutex);
                if (state->released) {
                    request->done = true;
                    state->changed.notify_all();
                    return;
                }
            }
            work();
            std::lock_guard lock(state->mutex);
            state->close = nullptr;
            request->done = true;
            state->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return request->done || state->released; });
    return request->done && !state->released;
}

void UiThreadWait::closeOnRelease(std::function<void()> close)
{
    std::lock_guard lock(m_state->mutex);
    m_state->close = std::move(close);
}

void UiThreadWait::release()
{
    std::function<void()> close;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->released = true;
        close = std::move(m_state->close);
        m_state->close = nullptr;
        m_state->changed.notify_all();
    }
    if (close)
        close();
}

bool UiThreadWait::released() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->released;
}
