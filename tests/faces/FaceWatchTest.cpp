#include "faces/CountRecord.h"
#include "faces/FaceWatch.h"
#include "platform/FileIo.h"
#include "platform/Utf16File.h"
#include "tests/support/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

QString Photo(const char *name)
{
    return QStringLiteral(FACES_PHOTOS "/%1").arg(QString::fromUtf8(name));
}

// A desk's program folder (the current directory) whose automatic-reprint
// folder is "info"; printed photos go to Pic_R as the desk names them.
class Watch : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories("Config");
        fs::create_directories("Pic_R");
        fs::create_directories("info");
        Utf16File::WriteText("Config/AutoAddPrintInfo.vellora", QStringLiteral("info\n0\n0\n-1"));
    }

    static void Print(const char *photo, const char *as)
    {
        ASSERT_TRUE(QFile::copy(Photo(photo), QStringLiteral("Pic_R/%1").arg(QString::fromUtf8(as))));
    }

    // Info files in place: name -> the number on their line.
    static std::map<QString, QString> InfoFiles()
    {
        std::map<QString, QString> files;
        for (const QString &name : QDir(QStringLiteral("info")).entryList(QDir::Files))
            files[name] = Utf16File::ReadText(("info/" + name).toStdString()).value_or(QStringLiteral("?"));
        return files;
    }

    // The desk applies the info files and deletes them.
    static void DeskTakesInfoFiles()
    {
        for (const auto &[name, count] : InfoFiles())
            fs::remove(("info/" + name).toStdString());
    }

    ProgramFolder m_folder;
};

} // namespace

TEST_F(Watch, WritesEachPrintedPhotoOnceAcrossRestarts)
{
    Print("two-astronauts.jpg", "0001.jpg");
    Print("people-00-coffee.jpg", "0002.jpg");
    {
        FaceWatch watch(fs::current_path(), 10ms);
        EXPECT_EQ(watch.Pass(), 2);
        using Files = std::map<QString, QString>;
        EXPECT_EQ(InfoFiles(), (Files{{"0001.vellora", "2"}, {"0002.vellora", "0"}}));
        DeskTakesInfoFiles();
        EXPECT_EQ(watch.Pass(), 0);
        EXPECT_TRUE(InfoFiles().empty());
        const WatchStatus status = watch.Status();
        EXPECT_TRUE(status.problem.isEmpty()) << status.problem.toStdString();
        EXPECT_EQ(status.writtenToday, 2);
        ASSERT_EQ(status.latest.size(), 2u);
        EXPECT_EQ(status.latest[0].key.name, QStringLiteral("0002.jpg"));
    }
    // Printed while the tool was not running: counted after its restart,
    // and nothing counted before is counted again.
    Print("people-01-astronaut.jpg", "0003.jpg");
    FaceWatch restarted(fs::current_path(), 10ms);
    EXPECT_EQ(restarted.Pass(), 1);
    EXPECT_EQ(InfoFiles(), (std::map<QString, QString>{{"0003.vellora", "1"}}));
}

// A kill between the steps of writing one photo's file: the next start
// hands the desk the count exactly once.
TEST_F(Watch, FinishesOrRedoesAFileCutShortByAKill)
{
    Print("people-01-astronaut.jpg", "0007.jpg");
    Print("people-00-cat.jpg", "0008.jpg");
    // 0007 was recorded, its staged file not yet renamed; 0008's staged
    // file was written but the photo not recorded.
    {
        CountRecord record(CountRecord::FileIn(fs::current_path()));
        ASSERT_TRUE(record.Add({*KeyOf("Pic_R/0007.jpg"), 5, QDateTime::currentDateTime()}));
    }
    Utf16File::WriteText(std::string("info/0007.jpg") + StagedSuffix, QStringLiteral("5"));
    Utf16File::WriteText(std::string("info/0008.jpg") + StagedSuffix, QStringLiteral("9"));

    FaceWatch watch(fs::current_path(), 10ms);
    EXPECT_EQ(watch.Pass(), 1);
    EXPECT_EQ(InfoFiles(), (std::map<QString, QString>{{"0007.vellora", "5"}, {"0008.vellora", "0"}}));
}

TEST_F(Watch, LeavesEarlierDaysAndSaysWhatIsMissing)
{
    Print("people-01-astronaut.jpg", "0001.jpg");
    fs::last_write_time("Pic_R/0001.jpg", fs::last_write_time("Pic_R/0001.jpg") - 48h);
    FaceWatch watch(fs::current_path(), 10ms);
    EXPECT_EQ(watch.Pass(), 0) << "a photo of an earlier day is not reprinted today";

    // No info folder set on the desk: nothing is counted, and the window says why.
    Utf16File::WriteText("Config/AutoAddPrintInfo.vellora", QString());
    Print("people-01-astronaut.jpg", "0002.jpg");
    EXPECT_EQ(watch.Pass(), 0);
    EXPECT_TRUE(watch.Status().problem.contains(QStringLiteral("自动补打")));
    // Set: the photo printed meanwhile is counted.
    Utf16File::WriteText("Config/AutoAddPrintInfo.vellora", QStringLiteral("info\n0\n0\n-1"));
    EXPECT_EQ(watch.Pass(), 1);
    EXPECT_TRUE(watch.Status().problem.isEmpty());
}

// A photo still being copied in is not counted as nobody; one that stays
// unreadable is, so it never holds the others up.
TEST_F(Watch, CountsAPhotoOnceItIsWhole)
{
    QFile whole(Photo("people-01-astronaut.jpg"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    ASSERT_TRUE(FileIo::Replace("Pic_R/0005.jpg", bytes.left(bytes.size() / 2)));
    FaceWatch watch(fs::current_path(), 10ms);
    EXPECT_EQ(watch.Pass(), 0);
    EXPECT_TRUE(InfoFiles().empty());

    ASSERT_TRUE(FileIo::Replace("Pic_R/0005.jpg", bytes));
    EXPECT_EQ(watch.Pass(), 1);
    EXPECT_EQ(InfoFiles(), (std::map<QString, QString>{{"0005.vellora", "1"}}));

    ASSERT_TRUE(FileIo::Replace("Pic_R/0006.jpg", bytes.left(bytes.size() / 2)));
    fs::last_write_time("Pic_R/0006.jpg", fs::last_write_time("Pic_R/0006.jpg") - 2min);
    EXPECT_EQ(watch.Pass(), 1);
    EXPECT_EQ(InfoFiles()[QStringLiteral("0006.vellora")], QStringLiteral("0"));
}
