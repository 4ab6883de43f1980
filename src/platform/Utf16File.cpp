#include "platform/Utf16File.h"

#include "platform/FileIo.h"

namespace Utf16File {

std::optional<QString> ReadText(const std::filesystem::path &file)
{
    const std::optional<FileIo::Contents> contents = FileIo::ReadAll(file);
    if (!contents)
        return std::nullopt;
    QString text = FileIo::FromUtf16Le(contents->bytes);
    // Files from other tools may start with a byte-order mark; it is not part of the text.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

std::optional<QStringList> ReadLines(const std::filesystem::path &file)
{
    const std::optional<QString> text = ReadText(file);
    if (!text)
        return std::nullopt;
    return text->split(QLatin1Char('\n'));
}

bool WriteText(const std::filesystem::path &file, QStringView text)
{
    return FileIo::Replace(file, FileIo::ToUtf16Le(text)).has_value();
}

bool AppendLine(const std::filesystem::path &file, QStringView line)
{
    QByteArray bytes = FileIo::ToUtf16Le(line);
    bytes.append("\n\0", 2);
    return FileIo::Append(file, bytes, true).has_value();
}

} // namespace Utf16File
