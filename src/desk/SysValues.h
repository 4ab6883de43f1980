#pragma once

#include <QString>

// The state file "Config/LOG/Sys.ini", callable from any thread.

// The whole value, whatever its length; a missing file, section or key gives "Error".
QString ReadSysValue(const QString &section, const QString &key);
// Nothing is written, and nothing said, when Config/LOG does not exist.
void WriteSysValue(const QString &section, const QString &key, const QString &value);
// False before the program has run in this folder at all.
bool SysFileExists();
