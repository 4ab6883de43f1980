#include "platform/FileMove.h"

#include "tests/platform/FileBytes.h"
#include "tests/support/OtherFileSystem.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
using FileMove::Clash;

namespace {

class FileMoveTest : public ::testing::Test
{
protected:
    fs::path Folder() const { return fs::path(m_dir.path().toStdString()); }
    fs::path Write(const fs::path &file, const char *bytes) const
    {
        SetFileBytes(file, QByteArray(bytes));
        return file;
    }

private:
    QTemporaryDir m_dir;
};

struct MoveCase
{
    const char *name;
    Clash clash;
    const char *landsAs;     // the name the newcomer lands under
    const char *targetAfter; // what the target name holds afterwards
};

class MoveOnOneFileSystem : public FileMoveTest, public ::testing::WithParamInterface<MoveCase>
{
};

TEST_P(MoveOnOneFileSystem, LandsAsAskedAndLeavesNoSource)
{
    const MoveCase &c = GetParam();
    fs::create_directory(Folder() / "to");
    const fs::path source = Write(Folder() / "IMG_0002.JPG", "newcomer");
    const fs::path target = Write(Folder() / "to" / "IMG_0002.JPG", "original");
    if (c.clash == Clash::KeepBoth)
        Write(Folder() / "to" / "IMG_0002-2.JPG", "second original");

    const auto landed = FileMove::Move(source, target, c.clash);

    ASSERT_TRUE(landed);
    EXPECT_EQ(landed->filename(), c.landsAs);
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(FileBytes(*landed), QByteArray("newcomer"));
    EXPECT_EQ(FileBytes(target), QByteArray(c.targetAfter));
}

INSTANTIATE_TEST_SUITE_P(Clashes, MoveOnOneFileSystem,
                         ::testing::Values(MoveCase{"Replace", Clash::Replace, "IMG_0002.JPG", "newcomer"},
                                           MoveCase{"KeepBoth", Clash::KeepBoth, "IMG_0002-3.JPG", "original"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileMoveTest, AFailedMoveOrCopyLeavesBothFilesAsTheyWere)
{
    const fs::path source = Write(Folder() / "1234.JPG", "photo");
    const fs::path intoMissingFolder = Folder() / "missing" / "1234.JPG";

    EXPECT_FALSE(FileMove::Move(source, intoMissingFolder, Clash::Replace));
    EXPECT_FALSE(FileMove::Copy(source, intoMissingFolder, Clash::KeepBoth));
    EXPECT_FALSE(FileMove::Move(Folder() / "gone.JPG", Write(Folder() / "kept.JPG", "kept"), Clash::Replace));
    EXPECT_FALSE(FileMove::Move(source, Folder() / "kept.JPG", Clash::Refuse));
    EXPECT_FALSE(FileMove::Copy(source, Folder() / "kept.JPG", Clash::Refuse));

    EXPECT_EQ(FileBytes(source), QByteArray("photo"));
    EXPECT_EQ(FileBytes(Folder() / "kept.JPG"), QByteArray("kept"));
    EXPECT_FALSE(fs::exists(Folder() / "missing"));
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 2);
}

TEST_F(FileMoveTest, ACopyLandsWholeBesideItsSourceWithItsTime)
{
    const fs::path source = Write(Folder() / "1234.JPG", "photo");
    const auto time = fs::last_write_time(source) - std::chrono::hours(3);
    fs::last_write_time(source, time);
    Write(Folder() / "copy.JPG", "earlier");

    const auto landed = FileMove::Copy(source, Folder() / "copy.JPG", Clash::KeepBoth);

    ASSERT_TRUE(landed);
    EXPECT_EQ(landed->filename(), "copy-2.JPG");
    EXPECT_EQ(FileBytes(*landed), QByteArray("photo"));
    EXPECT_EQ(FileBytes(source), QByteArray("photo"));
    EXPECT_EQ(fs::last_write_time(*landed), time);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 3) << "no scratch file left";
}

TEST_F(FileMoveTest, AMoveAcrossFileSystemsCopiesThenRemovesTheSource)
{
    const OtherFileSystem other(Folder());
    if (other.Folder().empty())
        GTEST_SKIP() << "no second file system here (no tmpfs mount allowed, /dev/shm on the same disk)";
    ASSERT_NE(DeviceOf(other.Folder()), DeviceOf(Folder()));

    const fs::path replacing = Write(Folder() / "a.JPG", "new a");
    Write(other.Folder() / "a.JPG", "old a");
    const fs::path keeping = Write(Folder() / "b.JPG", "new b");
    Write(other.Folder() / "b.JPG", "old b");

    EXPECT_EQ(FileMove::Move(replacing, other.Folder() / "a.JPG", Clash::Replace), other.Folder() / "a.JPG");
    EXPECT_EQ(FileMove::Move(keeping, other.Folder() / "b.JPG", Clash::KeepBoth), other.Folder() / "b-2.JPG");

    EXPECT_FALSE(fs::exists(replacing));
    EXPECT_FALSE(fs::exists(keeping));
    EXPECT_EQ(FileBytes(other.Folder() / "a.JPG"), QByteArray("new a"));
    EXPECT_EQ(FileBytes(other.Folder() / "b.JPG"), QByteArray("old b"));
    EXPECT_EQ(FileBytes(other.Folder() / "b-2.JPG"), QByteArray("new b"));
    EXPECT_EQ(std::distance(fs::directory_iterator(other.Folder()), fs::directory_iterator()), 3)
        << "no scratch file left";
}

TEST_F(FileMoveTest, ASourceThatCannotBeRemovedKeepsTheTargetAsItWas)
{
    const OtherFileSystem readOnly(Folder());
    if (readOnly.Folder().empty())
        GTEST_SKIP() << "no second file system here";
    const fs::path source = Write(readOnly.Folder() / "a.JPG", "new a");
    if (!readOnly.MakeReadOnly())
        GTEST_SKIP() << "cannot mount a read-only file system here (needs root)";
    const fs::path target = Write(Folder() / "a.JPG", "archived earlier");

    EXPECT_FALSE(FileMove::Move(source, target, Clash::Replace));
    EXPECT_FALSE(FileMove::Move(source, target, Clash::KeepBoth));

    EXPECT_EQ(FileBytes(source), QByteArray("new a"));
    EXPECT_EQ(FileBytes(target), QByteArray("archived earlier"));
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1)
        << "neither a copy nor a scratch file left";
}

TEST(CopyNumbers, GoBeforeTheFirstDotAfterTheFirstCharacter)
{
    EXPECT_EQ(FileMove::WithCopyNumber("IMG_1234.JPG", 1), "IMG_1234.JPG");
    EXPECT_EQ(FileMove::WithCopyNumber("IMG_1234.JPG", 2), "IMG_1234-2.JPG");
    EXPECT_EQ(FileMove::WithCopyNumber("party.2024.jpg", 3), "party-3.2024.jpg");
    EXPECT_EQ(FileMove::WithCopyNumber(".hidden.jpg", 2), ".hidden-2.jpg");
    EXPECT_EQ(FileMove::WithCopyNumber("noextension", 2), "noextension-2");
}

} // namespace
