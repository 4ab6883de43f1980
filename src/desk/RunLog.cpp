#include "desk/RunLog.h"

#include "platform/Clock.h"
#include "platform/Profile.h"

QString RunLogFileName(const QDateTime &moment)
{
    return QStringLiteral("Config/LOG/") + moment.date().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".ini");
}

QString RunLogSectionName(const QDateTime &moment)
{
    // Unpadded on purpose: the log's readers know these names, collisions and all.
    const QTime time = moment.time();
    return QString::number(time.hour()) + QString::number(time.minute()) + QString::number(time.second())
        + QString::number(time.msec());
}

void WriteRunLog(const QString &text)
{
    const QDateTime now = Clock::Now();
    // Entries whose names meet (the same millisecond, or unpadded times that
    // read alike) each keep a section of their own.
    Profile::AddSection(RunLogFileName(now).toStdString(), RunLogSectionName(now), QStringLiteral("Code"), text);
}

QString LastRunLogEntry(const QDateTime &moment)
{
    const std::filesystem::path file = RunLogFileName(moment).toStdString();
    const QString name = RunLogSectionName(moment);
    QString last;
    for (int number = 1;; ++number) {
        const QString section = number == 1 ? name : name + QLatin1Char('-') + QString::number(number);
        const QString text = Profile::Read(file, section, QStringLiteral("Code"), QString(), 4096);
        if (text.isEmpty())
            return last;
        last = text;
    }
}
