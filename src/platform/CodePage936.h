#pragma once

#include <QByteArray>
#include <QString>

// The program's narrow code page (936, simplified Chinese). Narrow texts
// that go to the spooler, the status texts and new INI files use it.
// Characters it cannot represent become '?', bytes it cannot decode U+FFFD.
namespace CodePage936 {

QByteArray FromUnicode(QStringView text);
QString ToUnicode(QByteArrayView bytes);

} // namespace CodePage936
