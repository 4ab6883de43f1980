#include "intake/PhotoNames.h"

#include <algorithm>

namespace {

// From the name's last ".", the extension, empty when its name has none.
QStringView LastExtension(QStringView path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash ? path.mid(dot) : QStringView();
}

bool IsAsciiDigit(QChar c)
{
    return c.isDigit() && c.unicode() < 128;
}

} // namespace

bool HasJpegExtension(const QString &path)
{
    const QStringView extension = LastExtension(path);
    return extension.compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0
        || extension.compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0;
}

QString MakePendingName(const QString &fileName, const QDateTime &now)
{
    // The stem ends at the first "." after the first character; the tail is kept from there.
    const qsizetype dot = fileName.indexOf(u'.', 1);
    const QStringView stem = QStringView(fileName).left(dot < 0 ? fileName.size() : dot);
    const QString tail = dot < 0 ? QString() : fileName.mid(dot);
    QString digits;
    for (const QChar c : stem) {
        if (IsAsciiDigit(c))
            digits += c;
    }
    // Digits only after the first "." (party.2024.jpg) would leave a hidden
    // name: a stem without digits takes the intake time instead.
    QString pending = digits.isEmpty()
        ? now.toString(QStringLiteral("yyyyMMddHHmm")) + QString::number(now.time().msec()) + tail
        : digits + tail;
    // A name that is all extension (".jpg") still gives a JPEG the folder scans see.
    if (!HasJpegExtension(pending))
        pending += LastExtension(fileName);
    return pending;
}
