#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The one way photos and files change folders. A move or copy either lands
// whole under its target name or leaves every file as it was: nobody ever
// sees half a photo under a final name, and a source is removed only once
// its copy is on disk.
//
// Every call is safe from any thread; two callers keeping both files never
// take the same name, since the name is claimed by the kernel, not checked.
namespace FileMove {

// What happens when the target name is taken.
enum class Clash {
    Replace,  // the target is replaced in one step (rename(2))
    KeepBoth, // the newcomer takes the first free copy name (WithCopyNumber)
    Refuse,   // nothing moves: the target stays and the call fails
};

// The name with copy number `copy` (2 or more) inserted before its first "."
// after the first character: IMG_1234.JPG, IMG_1234-2.JPG, IMG_1234-3.JPG.
// Copy 1 is the name itself.
std::string WithCopyNumber(const std::string &name, int copy);

// Moves `source` to `target`. On one file system this is a rename; across
// file systems the file is copied beside the target, synced, renamed into
// place, and only then is the source removed. When the source cannot be
// removed, the copy is taken back (and a replaced target restored), so the
// file is never in two places. Returns where the file landed, or nothing when
// it did not move (every file then stays as it was).
std::optional<std::filesystem::path> Move(const std::filesystem::path &source, const std::filesystem::path &target,
                                          Clash clash);

// Copies `source` to `target`, beside it first, synced, renamed into place:
// a full disk or a crash leaves no half file under the target name. The copy
// keeps the source's modification time. Returns where the copy landed.
std::optional<std::filesystem::path> Copy(const std::filesystem::path &source, const std::filesystem::path &target,
                                          Clash clash);

} // namespace FileMove
