#include "JpegCompleteness.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qint64 kTailLength = 4096;

QString PathText(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

} // namespace

std::optional<FileStamp> StampOf(const std::filesystem::path &file)
{
    const QFileInfo info(PathText(file));
    if (!info.isFile())
        return std::nullopt;
    return FileStamp{info.size(), info.lastModified()};
}

bool JpegLooksComplete(const std::filesystem::path &file)
{
    QFile jpeg(PathText(file));
    if (!jpeg.open(QIODevice::ReadOnly) || jpeg.size() < 4)
        return false;
    const QByteArray head = jpeg.read(2);
    if (head != QByteArray("\xFF\xD8", 2))
        return false;

    const qint64 tailStart = std::max<qint64>(2, jpeg.size() - kTailLength);
    jpeg.seek(tailStart);
    QByteArray tail = jpeg.readAll();
    while (!tail.isEmpty() && tail.back() == '\0')
        tail.chop(1);
    return tail.endsWith(QByteArray("\xFF\xD9", 2));
}
