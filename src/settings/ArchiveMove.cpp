#include "settings/ArchiveMove.h"

#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Flushes a written file to its disk before its source may be deleted.
bool Sync(const fs::path &file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

bool CopyAcrossFileSystems(const fs::path &source, const fs::path &destination)
{
    fs::path scratch = destination;
    scratch.replace_filename("." + destination.filename().native() + ".archiving");
    std::error_code error;
    const auto dropScratch = [&] {
        std::error_code ignored;
        fs::remove(scratch, ignored);
        return false;
    };

    if (!fs::copy_file(source, scratch, fs::copy_options::overwrite_existing, error) || !Sync(scratch))
        return dropScratch();
    // The photo keeps its time, as it does when renamed on one file system.
    if (const auto stamp = fs::last_write_time(source, error); !error)
        fs::last_write_time(scratch, stamp, error);
    fs::rename(scratch, destination, error);
    if (error)
        return dropScratch();

    // A source that cannot be deleted stays the only copy, so the photo is not in two places.
    fs::remove(source, error);
    if (error) {
        std::error_code ignored;
        fs::remove(destination, ignored);
        return false;
    }
    return true;
}

} // namespace

bool MoveIntoArchive(const fs::path &source, const fs::path &destination)
{
    // A rename replaces an existing destination file in one step.
    std::error_code error;
    fs::rename(source, destination, error);
    if (!error)
        return true;
    return error == std::errc::cross_device_link && CopyAcrossFileSystems(source, destination);
}
