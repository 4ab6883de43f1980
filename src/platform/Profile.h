#pragma once

#include <QString>

#include <filesystem>

// INI settings files, read and written key by key by these rules, on which
// every settings and state file of the program relies:
// - section and key names are compared without case, blanks around names
//   and values are trimmed;
// - a value longer than the caller's buffer comes back cut to bufferSize - 1
//   characters; a missing file, section or key gives the fallback;
// - a write creates the file but never its folder;
// - a new file is code page 936 text with CRLF line ends; a file that starts
//   with a UTF-16LE byte-order mark stays UTF-16LE.
// Every call is atomic inside the process (one lock per file). A write that
// changes text already in the file replaces the file atomically, so a crash
// never leaves half a file; adding a new section only appends, which keeps
// the all-day run log cheap.
namespace Profile {

// The buffer size that reads a value whole, whatever its length: for paths
// and numbers, which a cut would silently change into others.
constexpr int WholeValue = 1 << 30;

QString Read(const std::filesystem::path &file, const QString &section, const QString &key,
             const QString &fallback, int bufferSize = 100);

// Returns false when the file could not be written (for example a missing folder).
bool Write(const std::filesystem::path &file, const QString &section, const QString &key,
           const QString &value);

// Adds a section with one key at the end of the file. When the file has a
// section of that name already, the new one is named name + "-2", "-3", ...,
// the first that is free, so nothing written before is replaced. Returns
// the name used, or an empty text when the file could not be written.
QString AddSection(const std::filesystem::path &file, const QString &section, const QString &key, const QString &value);

// Removes the section with all its keys; true when the file is as asked afterwards.
bool DeleteSection(const std::filesystem::path &file, const QString &section);

} // namespace Profile
