#pragma once

#include "camera/Command.h"
#include "camera/ShotFiling.h"

#include <filesystem>

// Transfers a shot the camera reported: downloaded under the camera's name
// into the program folder, then filed (ShotFiling). A failed transfer is
// told as "error" and moves nothing; it is never retried.
class DownloadCommand final : public Command
{
public:
    // Takes over the transfer item; it goes back to the library when the
    // command ends, also when it is deleted unperformed.
    DownloadCommand(CameraModel &model, SdkRef item, ShotFiling filing);
    ~DownloadCommand() override;
    bool perform() override;

private:
    SdkError transfer(std::filesystem::path *file);
    void file(const std::filesystem::path &shot) const;
    void releaseItem();
    static SdkError reportProgress(std::uint32_t percent, void *context);

    SdkRef m_item;
    const ShotFiling m_filing;
};
