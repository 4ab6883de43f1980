#include "intake/DistinctNames.h"

#include "compose/PictureNumber.h"
#include "desk/WorkingFolders.h"
#include "platform/FileMove.h"

#include <QDir>

#include <functional>

namespace {

// Far more than any folder can hold of one name; only a guard against looping for ever.
constexpr int MaxCopies = 100000;

QString FirstFree(const QString &name, const std::function<bool(const QString &)> &taken)
{
    for (int copy = 1; copy < MaxCopies; ++copy) {
        const QString candidate = WithCopyNumber(name, copy);
        if (!taken(candidate))
            return candidate;
    }
    return name;
}

// True when the folder holds a file whose key equals `key`, ignoring case
// (the picture number file compares keys without case).
bool FolderHasKey(const QString &folder, const QString &key)
{
    const QStringList sameKey =
        QDir(folder).entryList({key, key + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    return std::any_of(sameKey.begin(), sameKey.end(), [&key](const QString &file) {
        return PictureNumberKey(file).compare(key, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

QString WithCopyNumber(const QString &name, int copy)
{
    return QString::fromStdString(FileMove::WithCopyNumber(name.toStdString(), copy));
}

QString DistinctPendingName(const QString &pendingName)
{
    return FirstFree(pendingName, [](const QString &candidate) {
        const QString key = PictureNumberKey(candidate);
        return FolderHasKey(PendingPrefix, key) || FolderHasKey(PrintedPrefix, key);
    });
}
