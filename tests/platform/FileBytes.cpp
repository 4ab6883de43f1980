#include "tests/platform/FileBytes.h"

#include <fstream>
#include <iterator>
#include <string>

std::optional<QByteArray> FileBytes(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void SetFileBytes(const std::filesystem::path &file, const QByteArray &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
}
