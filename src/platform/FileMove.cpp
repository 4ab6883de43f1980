#include "platform/FileMove.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace FileMove {
namespace {

// Far more than any folder holds of one name; only a guard against looping for ever.
constexpr int MaxCopies = 100000;

bool SyncPath(const fs::path &path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

// The rename reaches the disk with the folder's entry, not only the file's data.
void SyncFolderOf(const fs::path &file)
{
    SyncPath(file.has_parent_path() ? file.parent_path() : fs::path("."), O_RDONLY | O_DIRECTORY);
}

// A name beside `target` that nobody else uses: hidden, and unique in this process and machine.
fs::path ScratchBeside(const fs::path &target, const char *what)
{
    static std::atomic<unsigned> counter{0};
    fs::path scratch = target;
    scratch.replace_filename("." + target.filename().native() + "." + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + "." + what);
    return scratch;
}

// Renames without replacing: fails with EEXIST when `to` is taken.
int RenameNoReplace(const fs::path &from, const fs::path &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: a hard link claims the name just as atomically.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

// Puts `from` under `target` (or its first free copy name); returns where it landed.
std::optional<fs::path> Place(const fs::path &from, const fs::path &target, Clash clash, int &error)
{
    if (clash == Clash::Replace) {
        if (::rename(from.c_str(), target.c_str()) == 0)
            return target;
        error = errno;
        return std::nullopt;
    }
    if (clash == Clash::Refuse) {
        error = RenameNoReplace(from, target);
        return error == 0 ? std::optional<fs::path>(target) : std::nullopt;
    }
    const std::string name = target.filename().native();
    for (int copy = 1; copy < MaxCopies; ++copy) {
        fs::path candidate = target;
        candidate.replace_filename(WithCopyNumber(name, copy));
        error = RenameNoReplace(from, candidate);
        if (error == 0)
            return candidate;
        if (error != EEXIST)
            return std::nullopt;
    }
    error = EEXIST;
    return std::nullopt;
}

// A copy of `source` beside `target`, synced, with the source's time; nothing when it could not be made whole.
std::optional<fs::path> SyncedScratchCopy(const fs::path &source, const fs::path &target)
{
    const fs::path scratch = ScratchBeside(target, "part");
    std::error_code error;
    if (fs::copy_file(source, scratch, fs::copy_options::overwrite_existing, error) &&
        SyncPath(scratch, O_RDONLY)) {
        // The photo keeps its time, as it does when renamed on one file system.
        if (const auto time = fs::last_write_time(source, error); !error)
            fs::last_write_time(scratch, time, error);
        return scratch;
    }
    std::error_code ignored;
    fs::remove(scratch, ignored);
    return std::nullopt;
}

std::optional<fs::path> MoveAcrossFileSystems(const fs::path &source, const fs::path &target, Clash clash)
{
    const auto scratch = SyncedScratchCopy(source, target);
    if (!scratch)
        return std::nullopt;

    // A replaced target is kept aside until the source is gone, so a failure can put it back.
    std::optional<fs::path> replaced;
    if (clash == Clash::Replace) {
        const fs::path aside = ScratchBeside(target, "old");
        if (::link(target.c_str(), aside.c_str()) == 0)
            replaced = aside;
    }
    int error = 0;
    const auto landed = Place(*scratch, target, clash, error);
    std::error_code ignored;
    if (!landed) {
        fs::remove(*scratch, ignored);
        if (replaced)
            fs::remove(*replaced, ignored);
        return std::nullopt;
    }
    SyncFolderOf(*landed);

    // A source that cannot be removed stays the only copy, so the file is never in two places.
    if (::unlink(source.c_str()) != 0) {
        if (replaced)
            fs::rename(*replaced, *landed, ignored);
        else
            fs::remove(*landed, ignored);
        return std::nullopt;
    }
    if (replaced)
        fs::remove(*replaced, ignored);
    return landed;
}

} // namespace

std::string WithCopyNumber(const std::string &name, int copy)
{
    if (copy < 2)
        return name;
    const auto dot = name.find('.', 1);
    const std::string number = "-" + std::to_string(copy);
    return dot == std::string::npos ? name + number : name.substr(0, dot) + number + name.substr(dot);
}

std::optional<fs::path> Move(const fs::path &source, const fs::path &target, Clash clash)
{
    int error = 0;
    if (auto landed = Place(source, target, clash, error))
        return landed;
    if (error != EXDEV)
        return std::nullopt;
    return MoveAcrossFileSystems(source, target, clash);
}

std::optional<fs::path> Copy(const fs::path &source, const fs::path &target, Clash clash)
{
    const auto scratch = SyncedScratchCopy(source, target);
    if (!scratch)
        return std::nullopt;
    int error = 0;
    const auto landed = Place(*scratch, target, clash, error);
    if (!landed) {
        std::error_code ignored;
        fs::remove(*scratch, ignored);
        return std::nullopt;
    }
    SyncFolderOf(*landed);
    return landed;
}

} // namespace FileMove
