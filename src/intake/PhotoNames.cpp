#include "intake/PhotoNames.h"

#include <algorithm>

bool HasJpegExtension(const QString &path)
{
    const qsizetype searchFrom = path.size() > 5 ? path.size() - 5 : 0;
    const qsizetype dot = path.indexOf(QLatin1Char('.'), searchFrom);
    if (dot < 0)
        return false;
    const QStringView extension = QStringView(path).mid(dot);
    return extension.compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0
        || extension.compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0;
}

QString MakePendingName(const QString &fileName, const QDateTime &now)
{
    QString digits;
    QString tail;
    for (qsizetype i = 0; i < fileName.size(); ++i) {
        if (fileName[i] == QLatin1Char('.') && i > 0) {
            tail = fileName.mid(i);
            break;
        }
        if (fileName[i].isDigit() && fileName[i].unicode() < 128)
            digits += fileName[i];
    }
    const bool anyDigit = std::any_of(fileName.begin(), fileName.end(),
                                      [](QChar c) { return c.isDigit() && c.unicode() < 128; });
    if (!anyDigit)
        return now.toString(QStringLiteral("yyyyMMddHHmm")) + QString::number(now.time().msec()) + tail;
    return digits + tail;
}
