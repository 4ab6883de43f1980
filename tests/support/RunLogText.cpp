#include "tests/support/RunLogText.h"

#include "platform/CodePage936.h"

#include <QDir>
#include <QFile>

QString RunLogText()
{
    QString text;
    const QDir logs(QStringLiteral("Config/LOG"));
    for (const QString &name : logs.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name)) {
        if (name == QStringLiteral("Sys.ini"))
            continue;
        QFile log(logs.filePath(name));
        if (log.open(QIODevice::ReadOnly))
            text += CodePage936::ToUnicode(log.readAll());
    }
    return text;
}

int RunLogCount(const QString &text)
{
    const QString log = RunLogText();
    int count = 0;
    for (const QStringView line : QStringView(log).split(u'\n')) {
        if (line.trimmed() == QStringLiteral("Code=") + text)
            ++count;
    }
    return count;
}
