#pragma once

#include <QDateTime>
#include <QString>

// The daily run log "Config/LOG/yyyyMMdd.ini": one section per entry, named
// by the unpadded local time (09:05:07.042 gives "95742"), key "Code".
// Every entry is kept: a later entry whose name is already in the file gets
// "-2", "-3", ... after it. Callable from any thread; a failed write is not
// retried or reported.
void WriteRunLog(const QString &text);

// The file and section an entry written at the given moment goes to.
QString RunLogFileName(const QDateTime &moment);
QString RunLogSectionName(const QDateTime &moment);

// The text of the last entry written under the name of that moment (the
// latest of "name", "name-2", ...); empty when there is none.
QString LastRunLogEntry(const QDateTime &moment);
