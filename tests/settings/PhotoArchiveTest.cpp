#include "settings/PhotoArchive.h"

#include "platform/Pause.h"
#include "tests/settings/ArchiveScene.h"
#include "tests/support/OtherFileSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>


namespace fs = std::filesystem;

namespace {

// Starts an archive into the scene's archive folder and follows it to its end,
// keeping every count seen on the way.
struct FollowedRun
{
    std::vector<ArchiveProgress> seen;
    ArchiveProgress last;
};

FollowedRun RunArchive(PhotoArchive &archive, const fs::path &into = ArchiveScene::Archive)
{
    FollowedRun run;
    EXPECT_TRUE(archive.Start(into));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        run.last = archive.Progress();
        run.seen.push_back(run.last);
    } while (!run.last.finished && std::chrono::steady_clock::now() < deadline);
    EXPECT_TRUE(run.last.finished);
    EXPECT_FALSE(archive.Running());
    return run;
}

} // namespace

TEST(PhotoArchive, DayFolderIsEightDigits)
{
    const struct
    {
        QDate date;
        const char *name;
    } cases[] = {
        {QDate(2019, 6, 5), "20190605"},
        {QDate(2019, 12, 31), "20191231"},
        {QDate(2020, 10, 1), "20201001"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ArchiveDayName(c.date), QString::fromLatin1(c.name));
}

TEST(PhotoArchive, PhotosAreTheJpegsByTheLastFiveCharacters)
{
    const struct
    {
        const char *path;
        bool photo;
    } cases[] = {
        {"Pic_S/photo.JPG", true},       {"Pic_S/photo.jpg", true},     {"Pic_S/photo.JpEg", true},
        {"Pic_S/a.b.jpeg", true},        {"Pic_S/.jpg", true},          {"Pic_S/photo.png", false},
        {"Pic_S/photo.jpg.bak", false},  {"Pic_S/photojpg", false},     {"Pic_S/photo.jpgx", false},
        {"Pic_S/photo.jpe", false},      {"Pic_S/照片.jpg", true},      {"Pic_S/photo.x.jpg", true},
        // Only five characters are looked at: ".jpeg" preceded by more letters still counts.
        {"Pic_S/photo.tiff.jpeg", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsArchivedPhoto(QString::fromUtf8(c.path)), c.photo) << c.path;
}

TEST(PhotoArchive, MovesThePhotosIntoTheDayFolderAndForgetsTheNumbers)
{
    ArchiveScene scene;
    WriteFile("Pic_S/photo.JPG", "source");
    WriteFile("Pic_S/photo.png", "png");
    WriteFile("Pic_S/photo.jpg.bak", "bak");
    fs::create_directory("Pic_S/folder.jpg");
    WriteFile("Pic_S/folder.jpg/inner.jpg", "inner");
    WriteFile("Pic_P/pending.jpeg", "pending");
    WriteFile("Pic_R/printed.jpg", "new print");
    fs::remove("Pic_B"); // a missing working folder has nothing to archive
    // A photo archived earlier that day under the same name stays.
    fs::create_directories(ArchiveScene::Day / "Pic_R");
    WriteFile(ArchiveScene::Day / "Pic_R/printed.jpg", "old print");
    WriteFile("Config/PictureNumber.ini", "[PictureNumber]\r\nphoto=1\r\n");

    PhotoArchive archive;
    const ArchiveProgress done = RunArchive(archive).last;

    EXPECT_EQ(done.found, 3);
    EXPECT_EQ(done.archived, 3);
    EXPECT_EQ(done.leftBehind, 0);
    EXPECT_EQ(FilesBelow(ArchiveScene::Archive),
              (std::vector<std::string>{"20190605/Pic_P/pending.jpeg", "20190605/Pic_R/printed-2.jpg",
                                        "20190605/Pic_R/printed.jpg", "20190605/Pic_S/photo.JPG"}));
    EXPECT_TRUE(fs::is_directory(ArchiveScene::Day / "Pic_B"));
    EXPECT_EQ(ReadFile(ArchiveScene::Day / "Pic_R/printed.jpg"), "old print");
    EXPECT_EQ(ReadFile(ArchiveScene::Day / "Pic_R/printed-2.jpg"), "new print");
    EXPECT_EQ(ReadFile(ArchiveScene::Day / "Pic_S/photo.JPG"), "source");
    EXPECT_EQ(FilesBelow("Pic_S"), (std::vector<std::string>{"folder.jpg/inner.jpg", "photo.jpg.bak", "photo.png"}));
    EXPECT_TRUE(FilesBelow("Pic_P").empty());
    EXPECT_TRUE(FilesBelow("Pic_R").empty());
    EXPECT_FALSE(fs::exists("Config/PictureNumber.ini"));
}

TEST(PhotoArchive, AThousandPhotosArriveOnceEach)
{
    ArchiveScene scene;
    // Spread unevenly, as an event leaves them: most printed, few taken out.
    const char *folders[] = {"Pic_S", "Pic_R", "Pic_R", "Pic_S", "Pic_P", "Pic_R", "Pic_S", "Pic_B"};
    std::vector<std::string> expected;
    for (int i = 0; i < 1000; ++i) {
        const std::string folder = folders[i % 8];
        const std::string name = "IMG_" + std::to_string(10000 + i) + ".jpg";
        WriteFile(fs::path(folder) / name, name);
        expected.push_back("20190605/" + folder + "/" + name);
    }
    std::sort(expected.begin(), expected.end());

    PhotoArchive archive;
    const FollowedRun run = RunArchive(archive);

    EXPECT_EQ(run.last.found, 1000);
    EXPECT_EQ(run.last.archived, 1000);
    EXPECT_EQ(run.last.leftBehind, 0);
    EXPECT_EQ(FilesBelow(ArchiveScene::Archive), expected);
    for (const std::string &file : expected)
        ASSERT_EQ(ReadFile(ArchiveScene::Archive / file), fs::path(file).filename().string()) << file;
    for (const char *folder : {"Pic_S", "Pic_B", "Pic_P", "Pic_R"})
        EXPECT_TRUE(FilesBelow(folder).empty()) << folder;

    // The counts only grow and never pass what was found.
    for (std::size_t i = 1; i < run.seen.size(); ++i) {
        EXPECT_GE(run.seen[i].archived, run.seen[i - 1].archived);
        EXPECT_LE(run.seen[i].Handled(), run.seen[i].found);
    }
    EXPECT_GT(run.seen.size(), 3u) << "the run should be seen in progress";
}

TEST(PhotoArchive, PhotosThatCannotMoveAreCountedAndStay)
{
    ArchiveScene scene;
    WriteFile("Pic_S/moves.jpg", "moves");
    WriteFile("Pic_P/stuck1.jpg", "stuck1");
    WriteFile("Pic_P/stuck2.JPG", "stuck2");
    // A folder in the archive where a photo should go is not replaced: the photo goes beside it.
    WriteFile("Pic_R/blocked.jpg", "blocked");
    fs::create_directories(ArchiveScene::Day / "Pic_R/blocked.jpg");
    WriteFile(ArchiveScene::Day / "Pic_R/blocked.jpg/kept", "kept");

    PermissionsEnforced enforced;
    if (!MakeReadOnly("Pic_P"))
        GTEST_SKIP() << "this process writes into read-only folders";

    PhotoArchive archive;
    const ArchiveProgress done = RunArchive(archive).last;

    EXPECT_EQ(done.found, 4);
    EXPECT_EQ(done.archived, 2);
    EXPECT_EQ(done.leftBehind, 2);
    EXPECT_EQ(FilesBelow("Pic_P"), (std::vector<std::string>{"stuck1.jpg", "stuck2.JPG"}));
    EXPECT_EQ(ReadFile(ArchiveScene::Day / "Pic_R/blocked-2.jpg"), "blocked");
    EXPECT_EQ(FilesBelow(ArchiveScene::Day), (std::vector<std::string>{"Pic_R/blocked-2.jpg", "Pic_R/blocked.jpg/kept",
                                                                         "Pic_S/moves.jpg"}));
}

TEST(PhotoArchive, AMissingArchiveFolderIsNotMadeUpAndLosesNothing)
{
    ArchiveScene scene;
    WriteFile("Pic_S/a.jpg", "a");
    WriteFile("Pic_R/b.jpg", "b");

    PhotoArchive archive;
    const ArchiveProgress done = RunArchive(archive, "Unplugged/Backup").last;

    EXPECT_EQ(done.archived, 0);
    EXPECT_EQ(done.leftBehind, 2);
    EXPECT_FALSE(fs::exists("Unplugged"));
    EXPECT_EQ(ReadFile("Pic_S/a.jpg"), "a");
    EXPECT_EQ(ReadFile("Pic_R/b.jpg"), "b");
}

TEST(PhotoArchive, OnlyOneRunAtATime)
{
    ArchiveScene scene;
    for (int i = 0; i < 50; ++i)
        WriteFile("Pic_S/" + std::to_string(i) + ".jpg", "x");

    PhotoArchive archive;
    ASSERT_TRUE(archive.Start(ArchiveScene::Archive));
    EXPECT_TRUE(archive.Running());
    EXPECT_FALSE(archive.Start(ArchiveScene::Archive));
    while (!archive.Progress().finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(archive.Progress().archived, 50);

    // A later run starts afresh.
    WriteFile("Pic_B/late.jpg", "late");
    const ArchiveProgress again = RunArchive(archive).last;
    EXPECT_EQ(again.found, 1);
    EXPECT_EQ(again.archived, 1);
}

// The archive folder is usually on another disk than the working folders.
TEST(PhotoArchive, OnAnotherDiskPhotosArriveWholeWithTheirTimeBesideEarlierOnes)
{
    ArchiveScene scene;
    const OtherFileSystem otherDisk(fs::current_path());
    if (otherDisk.Folder().empty())
        GTEST_SKIP() << "no second file system here (no tmpfs mount allowed, /dev/shm on the same disk)";
    const fs::path day = otherDisk.Folder() / ArchiveScene::Day.filename();

    const std::string photo(3 << 20, 'p');
    WriteFile("Pic_R/big.jpg", photo);
    const auto stamp = fs::last_write_time("Pic_R/big.jpg") - std::chrono::hours(5);
    fs::last_write_time("Pic_R/big.jpg", stamp);
    WriteFile("Pic_S/small.jpg", "small");
    fs::create_directories(day / "Pic_R");
    WriteFile(day / "Pic_R/big.jpg", "archived earlier");

    PhotoArchive archive;
    const ArchiveProgress done = RunArchive(archive, otherDisk.Folder()).last;

    EXPECT_EQ(done.archived, 2);
    EXPECT_EQ(done.leftBehind, 0);
    EXPECT_TRUE(FilesBelow("Pic_R").empty());
    EXPECT_TRUE(FilesBelow("Pic_S").empty());
    EXPECT_EQ(ReadFile(day / "Pic_R/big-2.jpg"), photo);
    EXPECT_EQ(fs::last_write_time(day / "Pic_R/big-2.jpg"), stamp);
    EXPECT_EQ(ReadFile(day / "Pic_R/big.jpg"), "archived earlier");
    EXPECT_EQ(FilesBelow(day), (std::vector<std::string>{"Pic_R/big-2.jpg", "Pic_R/big.jpg", "Pic_S/small.jpg"}))
        << "no scratch file left";
}

// A photo its working folder will not let go of stays there, and the photo
// archived earlier that day under its name stays in the archive as it was.
TEST(PhotoArchive, APhotoThatCannotLeaveItsFolderKeepsTheOneArchivedEarlier)
{
    ArchiveScene scene;
    const TmpfsMount printed("Pic_R");
    if (!printed.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    WriteFile("Pic_R/a.jpg", "printed again");
    if (!printed.MakeReadOnly())
        GTEST_SKIP() << "cannot make the mount read-only";
    fs::create_directories(ArchiveScene::Day / "Pic_R");
    WriteFile(ArchiveScene::Day / "Pic_R/a.jpg", "archived earlier");

    PhotoArchive archive;
    const ArchiveProgress done = RunArchive(archive).last;

    EXPECT_EQ(done.archived, 0);
    EXPECT_EQ(done.leftBehind, 1);
    EXPECT_EQ(ReadFile("Pic_R/a.jpg"), "printed again");
    EXPECT_EQ(ReadFile(ArchiveScene::Day / "Pic_R/a.jpg"), "archived earlier");
    EXPECT_EQ(FilesBelow(ArchiveScene::Day), std::vector<std::string>{"Pic_R/a.jpg"}) << "no copy, no scratch file";
}

TEST(PhotoArchive, AnArchiveGoingAwayStopsItsWorkersPromptlyAndLosesNothing)
{
    ArchiveScene scene;
    for (int i = 0; i < 20; ++i)
        WriteFile("Pic_S/" + std::to_string(i) + ".jpg", "x");
    WriteFile("Config/PictureNumber.ini", "[PictureNumber]\r\nphoto=1\r\n");
    const double scale = PauseScale();
    SetPauseScale(1.0); // real pacing: a third of a second per photo, some seven seconds in all

    auto archive = std::make_unique<PhotoArchive>();
    ASSERT_TRUE(archive->Start(ArchiveScene::Archive));
    while (archive->Progress().archived < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const auto start = std::chrono::steady_clock::now();
    archive.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    SetPauseScale(scale);

    const std::size_t moved = FilesBelow(ArchiveScene::Day / "Pic_S").size();
    EXPECT_GE(moved, 1u);
    EXPECT_LT(moved, 20u) << "the run was cut short";
    EXPECT_EQ(moved + FilesBelow("Pic_S").size(), 20u) << "every photo is in one place or the other";
    EXPECT_TRUE(fs::exists("Config/PictureNumber.ini")) << "numbers stay while photos wait in the working folders";
}
