#pragma once

#include "platform/FileIo.h"

#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

// Whether photos can be composed at all, whatever the photo: the frame
// template can be read, the paper is one an event prints on, and the
// pending folder takes new pictures. When one of them fails, the road stops
// before the next photo with one message (run log and hint line), no photo
// is blamed or touched and no picture number is used; each walk of the
// source folder looks again, and the road goes on by itself, said once too,
// as soon as the cause is mended. Safe from any thread.
class CompositionRoad final
{
public:
    // Where the stop and the resumption are said, besides the run log.
    void SetReport(std::function<void(const QString &text)> report);

    // True when a photo may be composed with this template file (empty:
    // none, the photo is copied) on this paper. Stops the road, or opens it
    // again, as the answer changes.
    bool Open(const QString &frameFile, const QString &paperWidthText, const QString &paperHeightText);

    // After a composition that failed while the road was open: true when the
    // cause was not the photo's (the template or the pending folder fails
    // now), and the road is then stopped.
    bool StoppedAfterFailure(const QString &frameFile, const QString &paperWidthText, const QString &paperHeightText);

    // A composed picture could not be written though every check passes:
    // the road stops for a short while, so the photo is not retried at once.
    void StopForFailedWrite();

    // The message of the stop in force; empty while the road is open.
    QString StopMessage() const;

private:
    // Why no photo can be composed now; empty when one can.
    QString Blocked(const QString &frameFile, const QString &paperWidthText, const QString &paperHeightText);
    QString TemplateProblem(const QString &frameFile);
    void Stop(const QString &cause);
    void Reopen();

    struct TemplateVerdict
    {
        QString path;
        FileIo::Stamp stamp;
        QString problem; // empty: it reads whole
    };

    mutable std::mutex m_mutex;
    std::function<void(const QString &)> m_report;
    QString m_stopMessage;
    std::optional<TemplateVerdict> m_template; // the last template read whole, and how it read
    std::optional<std::chrono::steady_clock::time_point> m_writeRetryAt;
};

// The bytes of free room the pending folder must have for a composition: a
// composed 4x6 picture at full quality, with room to spare. A larger one
// that still does not fit fails its write, which stops the road too.
constexpr std::int64_t MinPendingFolderRoom = 8 * 1024 * 1024;
