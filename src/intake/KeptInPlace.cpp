#include "intake/KeptInPlace.h"

#include "platform/FileIo.h"

#include <map>
#include <mutex>

namespace {

std::mutex keptMutex;
std::map<QString, FileIo::Stamp> kept; // source path -> the file as it was composed

} // namespace

bool RememberKeptInPlace(const QString &sourcePath)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(sourcePath.toStdString());
    if (!stamp)
        return false;
    const std::lock_guard lock(keptMutex);
    FileIo::Stamp &known = kept[sourcePath];
    const bool fresh = !(known == *stamp);
    known = *stamp;
    return fresh;
}

bool KnownKeptInPlace(const QString &sourcePath)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(sourcePath.toStdString());
    const std::lock_guard lock(keptMutex);
    const auto known = kept.find(sourcePath);
    return known != kept.end() && stamp == known->second;
}
