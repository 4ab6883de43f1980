#include "photography/CombinationPrint.h"

#include "desk/RunLog.h"
#include "desk/WorkingFolders.h"
#include "intake/CombinationReprint.h"
#include "intake/CopyLimit.h"
#include "intake/PhotoQueue.h"
#include "platform/DecimalText.h"
#include "platform/FileMove.h"
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

// The shot's file goes into Pic_S beside any original of the same name (a
// second guest's IMG_0002.JPG becomes IMG_0002-2.JPG); a second listing of
// it (vertical double) finds nothing left to move.
void KeepShot(const QString &shot)
{
    const fs::path from = PathOf(shot);
    std::error_code error;
    if (!fs::exists(from, error))
        return;
    if (!FileMove::Move(from, PathOf(SourcePrefix) / from.filename(), FileMove::Clash::KeepBoth))
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
    const bool moved = FileMove::Move(combined, PathOf(pendingPath), FileMove::Clash::Refuse).has_value();
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
