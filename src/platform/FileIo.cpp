#include "platform/FileIo.h"

#include <QtEndian>

#include <atomic>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIo {

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor final
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    void Reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes now and tells whether the close succeeded (write errors can show up here).
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

Stamp StampFrom(const struct stat &info)
{
    return Stamp{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                 static_cast<std::int64_t>(info.st_size),
                 static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::optional<Stamp> StampOfDescriptor(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return StampFrom(info);
}

int OpenRetrying(const char *name, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(name, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteFully(int fd, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// A fresh file next to the target, created exclusively so no one else's file is reused.
std::optional<std::filesystem::path> CreateSibling(const std::filesystem::path &file, Descriptor &descriptor)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(1, '.');
        name.append(file.filename().native()).append(1, '.').append(std::to_string(::getpid()));
        name.append(1, '.').append(std::to_string(counter.fetch_add(1))).append(".tmp");
        std::filesystem::path temporary = file;
        temporary.replace_filename(name);
        const int fd = OpenRetrying(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            descriptor.Reset(fd);
            return temporary;
        }
        if (errno != EEXIST)
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<Stamp> StampOf(const std::filesystem::path &file)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return std::nullopt;
    return StampFrom(info);
}

std::optional<Contents> ReadAll(const std::filesystem::path &file)
{
    const Descriptor descriptor(OpenRetrying(file.c_str(), O_RDONLY));
    if (!descriptor.IsOpen())
        return std::nullopt;
    std::optional<Stamp> stamp = StampOfDescriptor(descriptor.Get());
    if (!stamp)
        return std::nullopt;
    Contents contents{QByteArray(), *stamp};
    // Read to the end rather than trusting the size, in case the file grows meanwhile.
    contents.bytes.resize(static_cast<qsizetype>(stamp->size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == contents.bytes.size())
            contents.bytes.resize(filled * 2 + 4096);
        const ssize_t got = ::read(descriptor.Get(), contents.bytes.data() + filled,
                                   static_cast<size_t>(contents.bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += got;
    }
    contents.bytes.resize(filled);
    return contents;
}

std::optional<Stamp> Replace(const std::filesystem::path &file, QByteArrayView bytes)
{
    Descriptor descriptor(-1);
    const std::optional<std::filesystem::path> temporary = CreateSibling(file, descriptor);
    if (!temporary)
        return std::nullopt;
    struct stat existing {};
    const bool keepMode = ::stat(file.c_str(), &existing) == 0;
    const bool written = WriteFully(descriptor.Get(), bytes)
        && (!keepMode || ::fchmod(descriptor.Get(), existing.st_mode & 07777) == 0)
        && ::fsync(descriptor.Get()) == 0;
    const std::optional<Stamp> stamp = written ? StampOfDescriptor(descriptor.Get()) : std::nullopt;
    if (!descriptor.Close() || !stamp || ::rename(temporary->c_str(), file.c_str()) != 0) {
        ::unlink(temporary->c_str());
        return std::nullopt;
    }
    return stamp;
}

std::optional<Stamp> Append(const std::filesystem::path &file, QByteArrayView bytes, bool create)
{
    Descriptor descriptor(OpenRetrying(file.c_str(), O_WRONLY | O_APPEND | (create ? O_CREAT : 0), 0666));
    if (!descriptor.IsOpen())
        return std::nullopt;
    // A write that fails part-way (a full disk) is cut back off, so the file
    // never ends in half a line that later lines would be glued to.
    const std::optional<Stamp> before = StampOfDescriptor(descriptor.Get());
    if (!before)
        return std::nullopt;
    if (!WriteFully(descriptor.Get(), bytes)) {
        while (::ftruncate(descriptor.Get(), static_cast<off_t>(before->size)) != 0 && errno == EINTR) {
        }
        return std::nullopt;
    }
    const std::optional<Stamp> stamp = StampOfDescriptor(descriptor.Get());
    if (!descriptor.Close())
        return std::nullopt;
    return stamp;
}

QByteArray ToUtf16Le(QStringView text)
{
    // An empty view may have no storage at all: nothing to convert.
    if (text.isEmpty())
        return {};
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

QString FromUtf16Le(QByteArrayView bytes)
{
    if (bytes.size() < 2)
        return {};
    QString text(bytes.size() / 2, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.data(), text.size(), text.data());
    return text;
}

} // namespace FileIo
