#include "intake/HandOverRecovery.h"

#include "desk/Locks.h"
#include "desk/RunLog.h"
#include "desk/WorkingFolders.h"
#include "intake/ReprintRecords.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "printing/HandOver.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <mutex>

namespace {

// The photo goes back to the pending folder, unless it is there already.
void PutPhotoBack(const HandOver::Unfinished &entry)
{
    const QString fileName = QFileInfo(entry.path).fileName();
    const QString printed = PrintedPrefix + fileName;
    const QString pending = PendingPrefix + fileName;
    if (!entry.latestOfName || !QFile::exists(printed) || QFile::exists(pending))
        return;
    if (QFile::rename(printed, pending))
        WriteRunLog(QStringLiteral("照片未被打印，重新排队:") + fileName);
}

// Rows for copies whose decrement the list file holds and whose return it does not.
QStringList CopiesToReturn(const std::vector<HandOver::Unfinished> &unfinished, const QStringList &marks)
{
    QStringList rows;
    for (const HandOver::Unfinished &entry : unfinished) {
        const QString number = QString::number(entry.handOver);
        if (entry.kind != HandOver::Kind::Reprint || entry.accepted || !marks.contains(QLatin1Char('h') + number)
            || marks.contains(QLatin1Char('r') + number))
            continue;
        rows.append(ReprintLine({QStringLiteral("0"), entry.name, entry.path, QString::number(entry.copies)}));
        WriteRunLog(QStringLiteral("补打未被打印，重新排队:") + entry.name);
    }
    return rows;
}

void ReturnReprintCopies(const std::vector<HandOver::Unfinished> &unfinished)
{
    const std::lock_guard lock(reprint_file_cs);
    const QStringList returned = CopiesToReturn(unfinished, ReprintHandOverMarks());
    if (returned.isEmpty())
        return;
    // They were at the top of the list when they left it.
    const auto file = ReprintListFile(TodayStamp());
    QString text = returned.join(QLatin1Char('\n')) + QLatin1Char('\n');
    for (const QString &line : Utf16File::ReadLines(file).value_or(QStringList())) {
        if (ParseReprintLine(line))
            text += line + QLatin1Char('\n');
    }
    Utf16File::WriteText(file, text);
}

} // namespace

void RecoverHandOvers()
{
    const std::vector<HandOver::Unfinished> unfinished = HandOver::Recover();
    for (const HandOver::Unfinished &entry : unfinished) {
        if (entry.kind == HandOver::Kind::NewPhoto && !entry.accepted)
            PutPhotoBack(entry);
    }
    ReturnReprintCopies(unfinished);
    HandOver::FinishRecovery();
}
