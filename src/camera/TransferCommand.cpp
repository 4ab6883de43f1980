#include "camera/TransferCommand.h"

#include "camera/CameraModel.h"
#include "camera/ModelEvents.h"
#include "platform/FileMove.h"

#include <cstring>
#include <optional>
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

// A source folder that is the program folder itself keeps the shot where it
// is: it must neither be removed first nor take a copy number from itself.
std::optional<fs::path> FileShot(const fs::path &from, const fs::path &to, FileMove::Clash clash)
{
    std::error_code error;
    if (fs::equivalent(from, to, error))
        return to;
    return FileMove::Move(from, to, clash);
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

// With live view on the shot joins the interactive series, replacing a
// shot of the same name left there, and its review opens; with it off it
// goes to the photo source folder for printing, beside a photo of the same
// name still waiting there. A move that fails leaves the shot in the
// program folder.
void DownloadCommand::file(const fs::path &shot) const
{
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (LiveViewOn) {
        const fs::path folder = here / kShotFolder;
        fs::create_directories(folder, error);
        const auto filed = FileShot(here / shot, folder / shot, FileMove::Clash::Replace);
        if (filed && m_filing.review)
            m_filing.review(*filed);
    } else {
        const fs::path folder = m_filing.sourceFolder ? m_filing.sourceFolder() : fs::path();
        if (!folder.empty())
            FileShot(here / shot, (folder.is_absolute() ? folder : here / folder) / shot, FileMove::Clash::KeepBoth);
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
