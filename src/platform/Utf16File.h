#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

// Record, info and list files: UTF-16LE text without byte-order mark, lines
// ended by a bare line feed.
namespace Utf16File {

// The whole text, or nothing when the file cannot be read.
std::optional<QString> ReadText(const std::filesystem::path &file);

// The text split at line feeds; an empty last line is kept as "" so callers
// can see a file that ends with a line feed.
std::optional<QStringList> ReadLines(const std::filesystem::path &file);

// Replaces the file atomically: a crash leaves the old or the new text, never half.
bool WriteText(const std::filesystem::path &file, QStringView text);

// Appends text + "\n" and flushes it to the file at once.
bool AppendLine(const std::filesystem::path &file, QStringView line);

} // namespace Utf16File
