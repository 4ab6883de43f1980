#include "platform/ProgramLock.h"

#include <cerrno>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::optional<ProgramLock> ProgramLock::Take(const std::filesystem::path &file)
{
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::nullopt;
    int taken;
    do
        taken = ::flock(fd, LOCK_EX | LOCK_NB);
    while (taken != 0 && errno == EINTR);
    if (taken != 0) {
        ::close(fd);
        return std::nullopt;
    }
    // The holder's id, for the message of a second start; the lock itself is the flock.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0)
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
    return ProgramLock(fd);
}

ProgramLock::ProgramLock(ProgramLock &&other) noexcept
    : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

ProgramLock::~ProgramLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int ProgramLock::HolderOf(const std::filesystem::path &file)
{
    std::ifstream in(file);
    int pid = 0;
    in >> pid;
    return in ? pid : 0;
}
