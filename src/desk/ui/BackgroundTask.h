#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#include <utility>

// Runs `work` on Qt's thread pool and hands its result to `done` on the
// user-interface thread, unless `receiver` is gone by then. The task holds
// only a guarded pointer, so a window may close while its task still runs.
template <typename Receiver, typename Work, typename Done>
void RunInBackground(Receiver *receiver, Work work, Done done)
{
    QThreadPool::globalInstance()->start(
        [guard = QPointer<Receiver>(receiver), work = std::move(work), done = std::move(done)] {
            auto result = work();
            QMetaObject::invokeMethod(
                qApp, [guard, done, result = std::move(result)] {
                    if (guard)
                        done(result);
                },
                Qt::QueuedConnection);
        });
}
