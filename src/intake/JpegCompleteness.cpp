#include "intake/JpegCompleteness.h"

#include <algorithm>
#include <fstream>
#include <string>

namespace {

constexpr std::streamoff kTailLength = 4096;

} // namespace

bool JpegLooksComplete(const std::filesystem::path &file)
{
    std::ifstream jpeg(file, std::ios::binary | std::ios::ate);
    const std::streamoff size = jpeg ? static_cast<std::streamoff>(jpeg.tellg()) : -1;
    if (size < 4)
        return false;

    char head[2] = {};
    jpeg.seekg(0);
    jpeg.read(head, 2);
    if (static_cast<unsigned char>(head[0]) != 0xFF || static_cast<unsigned char>(head[1]) != 0xD8)
        return false;

    const std::streamoff tailStart = std::max<std::streamoff>(2, size - kTailLength);
    std::string tail(static_cast<size_t>(size - tailStart), '\0');
    jpeg.seekg(tailStart);
    jpeg.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    tail.resize(static_cast<size_t>(jpeg.gcount()));
    while (!tail.empty() && tail.back() == '\0')
        tail.pop_back();
    return tail.size() >= 2 && static_cast<unsigned char>(tail[tail.size() - 2]) == 0xFF
        && static_cast<unsigned char>(tail.back()) == 0xD9;
}
