#pragma once

#include <filesystem>
#include <optional>

// One program per program folder: an exclusive flock(2) on a file in the
// folder, held for the life of the process. The system releases it when the
// process ends in any way (a kill -9 included), so there is never a stale
// marker to clean up. Not for threads: one holder per process.
class ProgramLock final
{
public:
    // Takes the lock on `file` (created when missing) without waiting.
    // Nothing when another process holds it or the file cannot be opened.
    static std::optional<ProgramLock> Take(const std::filesystem::path &file);

    ProgramLock(ProgramLock &&other) noexcept;
    ProgramLock &operator=(ProgramLock &&) = delete;
    ProgramLock(const ProgramLock &) = delete;
    ~ProgramLock();

    // The process id the holder wrote into the file (0 when unknown), for
    // the message a second start shows.
    static int HolderOf(const std::filesystem::path &file);

private:
    explicit ProgramLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};
