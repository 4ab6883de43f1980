#pragma once

#include <QDateTime>

#include <filesystem>
#include <optional>

// What a source file looked like when its composition began, so a file
// that was still being written can be told apart from a finished one.
struct FileStamp
{
    qint64 size = -1;
    QDateTime modified;

    bool operator==(const FileStamp &) const = default;
};

std::optional<FileStamp> StampOf(const std::filesystem::path &file);

// True when the file starts with a JPEG's start marker and ends with its end
// marker (trailing zero padding allowed). A camera or transfer program that
// is still writing the file, or stopped halfway, leaves it without the end
// marker; the JPEG decoder would otherwise paint the missing part grey and
// the photo would print half.
bool JpegLooksComplete(const std::filesystem::path &file);
