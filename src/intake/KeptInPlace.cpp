#include "intake/KeptInPlace.h"

#include "desk/WorkingFolders.h"
#include "platform/FileIo.h"
#include "platform/FileNameText.h"

#include <map>
#include <mutex>

namespace {

std::mutex keptMutex;
std::map<std::filesystem::path, FileIo::Stamp> kept; // source file -> the file as it was composed

} // namespace

bool RememberKeptInPlace(const std::filesystem::path &sourcePath)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(sourcePath);
    if (!stamp)
        return false;
    const std::lock_guard lock(keptMutex);
    FileIo::Stamp &known = kept[sourcePath];
    const bool fresh = !(known == *stamp);
    known = *stamp;
    return fresh;
}

bool KnownKeptInPlace(const std::filesystem::path &sourcePath)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(sourcePath);
    const std::lock_guard lock(keptMutex);
    const auto known = kept.find(sourcePath);
    return known != kept.end() && stamp == known->second;
}

bool KeptByAnEarlierRun(const std::filesystem::path &sourcePath)
{
    const QString keptPath = SourcePrefix + FileNameText(sourcePath.filename());
    const std::optional<FileIo::Stamp> kept = FileIo::StampOf(keptPath.toStdString());
    const std::optional<FileIo::Stamp> source = FileIo::StampOf(sourcePath);
    if (!kept || !source || kept->size != source->size)
        return false;
    const std::optional<FileIo::Contents> keptBytes = FileIo::ReadAll(keptPath.toStdString());
    const std::optional<FileIo::Contents> sourceBytes = FileIo::ReadAll(sourcePath);
    if (!keptBytes || !sourceBytes || keptBytes->bytes != sourceBytes->bytes)
        return false;
    RememberKeptInPlace(sourcePath);
    return true;
}

void ForgetKeptInPlace()
{
    const std::lock_guard lock(keptMutex);
    kept.clear();
}
