#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <filesystem>
#include <optional>

// File access shared by the platform layers: whole-file reads, atomic
// replacement, single-write appends, and the identity of a file's content
// on disk so parsed copies can be kept while nobody else changes the file.
namespace FileIo {

// What identifies one version of a file: a replaced file has a new inode,
// a changed one a new size or modification time.
struct Stamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    bool operator==(const Stamp &) const = default;
};

// The stamp of the file, or nothing when it does not exist or cannot be examined.
std::optional<Stamp> StampOf(const std::filesystem::path &file);

struct Contents
{
    QByteArray bytes;
    Stamp stamp;
};

// The whole file and the stamp of what was read, or nothing when it cannot be read.
std::optional<Contents> ReadAll(const std::filesystem::path &file);

// Writes the bytes to a new file in the same folder, syncs it and renames it
// over the file, so a crash leaves the old or the new content, never half.
// An existing file keeps its permissions. Never creates a folder.
// Returns the stamp of the new file, or nothing when it could not be written.
std::optional<Stamp> Replace(const std::filesystem::path &file, QByteArrayView bytes);

// Appends the bytes with one write call, so they reach the file at once;
// all or nothing: a write that fails part-way (a full disk) is cut back to
// the file's old length. With create false a missing file is a failure.
// Returns the stamp after the write.
std::optional<Stamp> Append(const std::filesystem::path &file, QByteArrayView bytes, bool create);

// UTF-16LE bytes of the text, and text of UTF-16LE bytes (an odd last byte is dropped).
QByteArray ToUtf16Le(QStringView text);
QString FromUtf16Le(QByteArrayView bytes);

} // namespace FileIo
