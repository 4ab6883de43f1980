#include "desk/WorkingFolders.h"

#include <filesystem>
#include <system_error>

void CreateWorkingFolders()
{
    // Config holds the settings; without it nothing could be logged, so a
    // first start in an empty folder makes it too.
    static const char *const kFolders[] = {"Config", "Config/LOG", "Pic_B", "Pic_P", "Pic_R", "Pic_S",
                                           "TempPicture", "CombinationTempPicture", "CombinationAddPrint"};
    for (const char *folder : kFolders) {
        std::error_code ignored;
        if (!std::filesystem::is_directory(folder, ignored))
            std::filesystem::create_directory(folder, ignored);
    }
}
