#include "camera/TransferCommand.h"

#include "camera/CameraModel.h"
#include "camera/ModelEvents.h"

#include <cstring>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The camera's name for the shot as a plain file name: only its last part,
// so a name with folders in it can never write outside the program folder.
fs::path PlainFileName(const char *cameraName, std::size_t capacity)
{
    std::string name(cameraName, strnlen(cameraName, capacity));
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    if (name.empty() || name == "." || name == "..")
        return {};
    return fs::path(name);
}

} // namespace

DownloadCommand::DownloadCommand(CameraModel &model, SdkRef item, ShotFiling filing)
    : Command(model), m_item(item), m_filing(std::move(filing))
{
}

DownloadCommand::~DownloadCommand()
{
    releaseItem();
}

bool DownloadCommand::perform()
{
    fs::path shot;
    SdkError code = transfer(&shot);
    if (code != kSdkOk) {
        model().broadcast({kModelError, &code});
        return true;
    }
    model().broadcast({kModelDownloadComplete, &code});
    file(shot);
    return true;
}

// Steps up to the download's completion; the item and the stream go back to
// the library whatever happened, which does not change the outcome.
SdkError DownloadCommand::transfer(fs::path *file)
{
    TransferItemInfo info;
    SdkError code = sdk().transferItemInfo(m_item, &info);
    SdkRef stream = nullptr;
    if (code == kSdkOk) {
        *file = PlainFileName(info.fileName, sizeof info.fileName);
        if (file->empty())
            code = kSdkInvalidParameter;
    }
    if (code == kSdkOk) {
        model().broadcast({kModelDownloadStart, nullptr});
        code = sdk().createFileStream(file->c_str(), kStreamCreateAlways, kStreamReadWrite, &stream);
    }
    if (code == kSdkOk)
        code = sdk().setProgressHandler(stream, &DownloadCommand::reportProgress, kProgressPeriodic, this);
    if (code == kSdkOk)
        code = sdk().download(m_item, info.size, stream);
    if (code == kSdkOk)
        code = sdk().downloadComplete(m_item);
    releaseItem();
    if (stream) {
        sdk().release(stream);
        // What a failed download wrote is no shot: it must not lie about in the program folder.
        if (code != kSdkOk) {
            std::error_code ignored;
            fs::remove(*file, ignored);
        }
    }
    return code;
}

// With live view on the shot joins the interactive series and its review
// opens; with it off it goes to the photo source folder for printing. A
// move that fails leaves the shot in the program folder.
void DownloadCommand::file(const fs::path &shot) const
{
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (LiveViewOn) {
        const fs::path folder = here / kShotFolder;
        fs::create_directories(folder, error);
        const fs::path target = folder / shot;
        if (MoveReplacing(here / shot, target) && m_filing.review)
            m_filing.review(target);
    } else {
        const fs::path folder = m_filing.sourceFolder ? m_filing.sourceFolder() : fs::path();
        if (!folder.empty())
            MoveReplacing(here / shot, (folder.is_absolute() ? folder : here / folder) / shot);
    }
}

void DownloadCommand::releaseItem()
{
    if (m_item)
        sdk().release(m_item);
    m_item = nullptr;
}

SdkError DownloadCommand::reportProgress(std::uint32_t percent, void *context)
{
    static_cast<DownloadCommand *>(context)->model().broadcast({kModelProgressReport, &percent});
    return kSdkOk;
}

bool MoveReplacing(const fs::path &from, const fs::path &to)
{
    std::error_code error;
    if (!fs::is_regular_file(from, error) || to.parent_path().empty() || !fs::is_directory(to.parent_path(), error))
        return false;
    // A target that is the file itself (the source folder is the program
    // folder) must not be removed first: that would lose the shot.
    if (fs::equivalent(from, to, error))
        return true;
    fs::remove(to, error);
    fs::rename(from, to, error);
    if (!error)
        return true;
    if (error != std::errc::cross_device_link)
        return false;
    fs::path part = to;
    part += ".part";
    bool copied = fs::copy_file(from, part, fs::copy_options::overwrite_existing, error);
    if (copied)
        fs::rename(part, to, error);
    if (!copied || error) {
        fs::remove(part, error);
        return false;
    }
    fs::remove(from, error);
    return true;
}
