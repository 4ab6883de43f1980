#pragma once

#include <QString>

// Every run-log entry in the program folder's Config/LOG, whatever its day,
// as text: what a test reads to see what the program said.
QString RunLogText();

// How many run-log entries have exactly this text.
int RunLogCount(const QString &text);
