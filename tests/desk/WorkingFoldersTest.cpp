#include "desk/WorkingFolders.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

const char *const kCreated[] = {"Config", "Config/LOG", "Pic_B", "Pic_P", "Pic_R", "Pic_S",
                                "TempPicture", "CombinationTempPicture", "CombinationAddPrint"};

} // namespace

TEST(WorkingFolders, FirstStartCreatesEveryFolderButPicT)
{
    for (const auto config : {ProgramFolder::Config::Create, ProgramFolder::Config::Omit}) {
        const ProgramFolder folder(config);
        CreateWorkingFolders();
        for (const char *path : kCreated)
            EXPECT_TRUE(fs::is_directory(path)) << path;
        EXPECT_FALSE(fs::exists("Pic_T"));
    }
}

TEST(WorkingFolders, ExistingFoldersAndTheirFilesAreLeftAlone)
{
    const ProgramFolder folder;
    CreateWorkingFolders();
    std::ofstream("Pic_P/1.JPG") << "photo";
    CreateWorkingFolders();
    EXPECT_EQ(fs::file_size("Pic_P/1.JPG"), 5u);
}

TEST(WorkingFolders, AFileInTheWayIsNotReplaced)
{
    const ProgramFolder folder;
    std::ofstream("Pic_S") << "not a folder";
    CreateWorkingFolders();
    EXPECT_TRUE(fs::is_regular_file("Pic_S"));
    EXPECT_TRUE(fs::is_directory("Pic_R"));
}
