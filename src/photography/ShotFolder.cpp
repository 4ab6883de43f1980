#include "photography/ShotFolder.h"

#include "compose/ImageFiles.h"
#include "platform/Pause.h"

#include <QImageReader>

#include <algorithm>
#include <mutex>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::mutex chosenLock;
std::vector<QString> chosen;

QImage Thumbnail(const fs::path &file)
{
    QImageReader reader(PathText(file));
    const QSize size(kShotThumbnailWidth, kShotThumbnailHeight);
    const int reduction = JpegDecodeReduction(reader.size(), size);
    if (reduction > 1)
        reader.setScaledSize(reader.size() / reduction);
    const QImage shot = reader.read();
    if (shot.isNull())
        return {};
    return StretchImage(shot.convertToFormat(QImage::Format_RGB32), size);
}

std::vector<fs::path> EntriesByName(const fs::path &folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

bool IsShotFileName(const QString &name)
{
    const QString tail = name.right(5);
    const qsizetype dot = tail.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = tail.mid(dot);
    return extension.compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0
        || extension.compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0;
}

void ScanShotFolder(const fs::path &folder, const std::atomic<bool> &stop, const std::function<void(ShotRow)> &row)
{
    for (const fs::path &entry : EntriesByName(folder)) {
        if (stop)
            return;
        std::error_code error;
        const QString name = PathText(entry.filename());
        if (!fs::is_directory(entry, error) && IsShotFileName(name)) {
            QImage thumbnail = Thumbnail(entry);
            if (!thumbnail.isNull())
                row({PathText(folder.filename() / entry.filename()), std::move(thumbnail)});
        }
        Pause(300ms);
    }
}

std::vector<QString> ChooseCombinationShots(const std::vector<QString> &listed)
{
    std::vector<QString> shots;
    for (const QString &path : listed) {
        if (shots.size() == kMostCombinedShots)
            break;
        std::error_code error;
        if (fs::is_regular_file(path.toStdString(), error))
            shots.push_back(path);
    }
    return shots;
}

void SetChosenShots(std::vector<QString> shots)
{
    std::lock_guard lock(chosenLock);
    chosen = std::move(shots);
}

std::vector<QString> ChosenShots()
{
    std::lock_guard lock(chosenLock);
    return chosen;
}
