#include "photography/CombinationPrint.h"

#include "desk/RunLog.h"
#include "desk/WorkingFolders.h"
#include "intake/CombinationReprint.h"
#include "intake/CopyLimit.h"
#include "intake/PhotoQueue.h"
#include "platform/DecimalText.h"
#include "platform/Utf16File.h"

#include <QFileInfo>

namespace fs = std::filesystem;

QString CombinationPictureName(const QDateTime &now)
{
    return now.toString(QStringLiteral("yyyyMMddhhmm")) + QString::number(now.time().second());
}

int CombinationCopies(const QString &typed)
{
    return CutToCopyLimit(std::max(DecimalValue(typed), 1), QStringLiteral("连拍组合"));
}

bool WriteCombinationInfoFile(const QString &name, int extra)
{
    const QString path = CombinationInfoFolder + QLatin1Char('/') + name + QStringLiteral(".vellora");
    return Utf16File::WriteText(path.toStdString(), QString::number(extra) + QLatin1Char('\n'));
}

namespace {

fs::path PathOf(const QString &text) { return fs::path(text.toStdU16String()); }

// Moves without ever replacing: false when `to` exists or the move failed.
bool MoveNew(const fs::path &from, const fs::path &to)
{
    std::error_code error;
    if (fs::exists(to, error))
        return false;
    fs::rename(from, to, error);
    return !error;
}

// The shot's file goes into Pic_S; a second listing of it (vertical double)
// finds nothing left to move.
void KeepShot(const QString &shot)
{
    const fs::path from = PathOf(shot);
    std::error_code error;
    if (!fs::exists(from, error))
        return;
    const fs::path to = PathOf(SourcePrefix) / from.filename();
    fs::remove(to, error);
    fs::rename(from, to, error);
    if (error)
        WriteRunLog(QStringLiteral("连拍照片不能移入Pic_S:") + shot);
}

} // namespace

bool PrintCombination(const fs::path &combined, int copies, const std::vector<QString> &shots, PhotoQueue &queue,
                      const QDateTime &now)
{
    const QString name = CombinationPictureName(now);
    copies = CutToCopyLimit(std::max(copies, 1), name);
    const QString fileName = name + QStringLiteral(".jpg");
    WriteRunLog(QStringLiteral("连拍组合:") + fileName);
    const QString pendingPath = PendingPrefix + fileName;
    const bool moved = MoveNew(combined, PathOf(pendingPath));
    if (moved) {
        queue.AddPendingUnlessListed(fileName, pendingPath);
        if (copies > 1 && !WriteCombinationInfoFile(name, copies - 1))
            WriteRunLog(QStringLiteral("连拍组合补打信息文件不能写入:") + name);
        for (const QString &shot : shots)
            KeepShot(shot);
    }
    WriteRunLog(QStringLiteral("连拍组合结束"));
    return moved;
}
