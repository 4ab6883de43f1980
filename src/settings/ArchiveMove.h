#pragma once

#include <filesystem>

// Moves one photo into the archive, replacing a file of the same name there.
// The archive folder is often on another disk than the program folder, so a
// move across file systems copies to a scratch file beside the destination,
// syncs it, renames it into place and only then deletes the source. Either
// the photo ends up at the destination and is gone from its source, or the
// source is left as it was and false is returned: never lost, never in both
// places. A folder in the way at the destination is not replaced.
bool MoveIntoArchive(const std::filesystem::path &source, const std::filesystem::path &destination);
