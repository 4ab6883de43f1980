// The hand-over to the spooler, tried on the real program over a private
// CUPS daemon: the program dies at a named point of the hand-over (or the
// spooler freezes), starts again, and every photo and every ordered copy
// reaches the spooler exactly once and is recorded exactly once.

#include "desk/SysValues.h"
#include "platform/Profile.h"
#include "platform/Utf16File.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ProgramFolder.h"

#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const QString kPrinter = QStringLiteral("Photo-A");
const QStringList kNewPhotos{QStringLiteral("1001.jpg"), QStringLiteral("1002.jpg"), QStringLiteral("1003.jpg")};
// A photo printed once earlier today, with two more copies ordered.
const QString kReprinted = QStringLiteral("1234");
constexpr int kCopiesOrdered = 2;

QString Today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

void WritePhoto(const QString &path, Qt::GlobalColor colour)
{
    QImage photo(90, 60, QImage::Format_RGB32);
    photo.fill(colour);
    ASSERT_TRUE(photo.save(path));
}

// An event killed while it printed on Photo-A with automatic printing on:
// photo 1234 printed once today, so the next start's recovery checks Photo-A
// again and restarts automatic printing.
void PrepareEventKilledOnPhotoA()
{
    for (const char *folder : {"Config/LOG", "Pic_P", "Pic_R", "Pic_S"})
        fs::create_directories(folder);
    WritePhoto(QStringLiteral("Pic_R/") + kReprinted + QStringLiteral(".jpg"), Qt::darkGreen);
    ASSERT_TRUE(Utf16File::WriteText(("Config/" + Today() + ".vellora").toStdString(), kReprinted + QStringLiteral(":1;\n")));
    ASSERT_TRUE(Utf16File::WriteText(("Config/" + Today() + "PT.vellora").toStdString(), kPrinter + QStringLiteral(":1;\n")));
    for (const char *key : {"Action", "AutoPrint"})
        WriteSysValue(QStringLiteral("System"), QString::fromUtf8(key), QStringLiteral("Start"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("ChoosePrinter"), QStringLiteral("True"));
}

// That event with three composed photos waiting in Pic_P and two copies of
// photo 1234 waiting in the reprint list.
void PrepareKilledEvent()
{
    PrepareEventKilledOnPhotoA();
    for (const QString &name : kNewPhotos)
        WritePhoto(QStringLiteral("Pic_P/") + name, Qt::darkCyan);
    ASSERT_TRUE(Utf16File::WriteText(("Config/" + Today() + "APT.vellora").toStdString(),
                                     QStringLiteral("0,") + kReprinted + QStringLiteral(":Pic_R/") + kReprinted + QStringLiteral(".jpg}") +
                                         QString::number(kCopiesOrdered) + QStringLiteral(";\n")));
}

// Copies the spooler received per job name, and jobs per job name.
struct Received
{
    QHash<QString, int> copies;
    QHash<QString, int> jobs;
};

Received ReceivedByName(const PrivateCups &cups)
{
    Received received;
    for (const PrivateCups::ReceivedJob &job : cups.ReceivedJobs()) {
        received.copies[job.title] += job.copies;
        received.jobs[job.title] += 1;
    }
    return received;
}

// Lines of today's print record, as they are.
QStringList RecordLines()
{
    QStringList lines = Utf16File::ReadLines(("Config/" + Today() + ".vellora").toStdString()).value_or(QStringList());
    lines.removeAll(QString());
    return lines;
}

bool EverythingPrinted(const PrivateCups &cups)
{
    const Received received = ReceivedByName(cups);
    for (const QString &name : kNewPhotos) {
        if (!received.jobs.contains(name))
            return false;
    }
    return received.copies.value(kReprinted) >= kCopiesOrdered;
}

bool EverythingRecorded()
{
    const QStringList lines = RecordLines();
    for (const QString &name : kNewPhotos) {
        if (!lines.contains(QFileInfo(name).completeBaseName() + QStringLiteral(":1;")))
            return false;
    }
    return lines.size() >= 1 + static_cast<int>(kNewPhotos.size()) + 1;
}

// Every photo once at the spooler, the ordered copies once, each recorded once.
void ExpectPrintedAndRecordedOnce(const PrivateCups &cups)
{
    const Received received = ReceivedByName(cups);
    for (const QString &name : kNewPhotos) {
        EXPECT_EQ(received.jobs.value(name), 1) << name.toStdString();
        EXPECT_EQ(received.copies.value(name), 1) << name.toStdString();
    }
    EXPECT_EQ(received.copies.value(kReprinted), kCopiesOrdered);
    EXPECT_EQ(received.jobs.size(), static_cast<int>(kNewPhotos.size()) + 1);

    const QStringList lines = RecordLines();
    for (const QString &name : kNewPhotos)
        EXPECT_EQ(lines.count(QFileInfo(name).completeBaseName() + QStringLiteral(":1;")), 1) << name.toStdString();
    EXPECT_EQ(lines.count(kReprinted + QStringLiteral(":1;")), 1);
    EXPECT_EQ(lines.count(kReprinted + QStringLiteral(":") + QString::number(kCopiesOrdered) + QStringLiteral(";")), 1);
    EXPECT_EQ(lines.size(), static_cast<int>(kNewPhotos.size()) + 2) << lines.join(QLatin1Char(' ')).toStdString();
    // Every photo ends in Pic_R, none waits in Pic_P.
    for (const QString &name : kNewPhotos)
        EXPECT_TRUE(fs::exists(("Pic_R/" + name).toStdString())) << name.toStdString();
    EXPECT_TRUE(fs::is_empty("Pic_P"));
}

class HandOverCrash : public testing::TestWithParam<const char *>
{
};

} // namespace

// Killed at the named point of the first hand-over that reaches it, then
// started again: nothing is lost, nothing printed or recorded twice.
TEST_P(HandOverCrash, RestartPrintsAndRecordsEverythingExactlyOnce)
{
    const ProgramFolder folder;
    PrivateCups cups;
    ASSERT_TRUE(cups.Start());
    ASSERT_TRUE(cups.AddQueue(kPrinter));
    PrepareKilledEvent();

    {
        RunningProgram first(OnPrivateCups(cups.Server()) << QStringLiteral("VELLORA_CRASH_AT=") + GetParam());
        ASSERT_TRUE(first.Ended(90000)) << "never reached " << GetParam();
        ASSERT_TRUE(first.Crashed());
    }
    RunningProgram second(OnPrivateCups(cups.Server()));
    ASSERT_TRUE(WaitFor([&] { return EverythingPrinted(cups) && EverythingRecorded(); }, 120000))
        << RecordLines().join(QLatin1Char(' ')).toStdString();
    // Long enough for a second print of anything to show.
    QTest::qWait(5000);
    ExpectPrintedAndRecordedOnce(cups);
}

INSTANTIATE_TEST_SUITE_P(Points, HandOverCrash,
                         testing::Values("after-move-to-printed", "during-print-delay", "after-send-before-record",
                                         "after-reprint-handout"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The spooler freezes (SIGSTOP) for 30 seconds just as a job starts, three
// times during a burst of ten photos: the jobs that met it give up, and each
// photo still reaches the spooler exactly once.
TEST(HandOverFrozenSpooler, EveryPhotoPrintedExactlyOnce)
{
    const ProgramFolder folder;
    PrivateCups cups;
    ASSERT_TRUE(cups.Start());
    ASSERT_TRUE(cups.AddQueue(kPrinter));
    PrepareEventKilledOnPhotoA();
    QStringList names;
    for (int i = 0; i < 10; ++i) {
        names << QStringLiteral("20%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        WritePhoto(QStringLiteral("Pic_P/") + names.back(), Qt::darkBlue);
    }

    RunningProgram program(OnPrivateCups(cups.Server()));
    // "进行图片打印:", logged as a job starts on its printer, in code page 936.
    const QByteArray jobStarts("\xBD\xF8\xD0\xD0\xCD\xBC\xC6\xAC\xB4\xF2\xD3\xA1\x3A");
    for (int freeze = 0; freeze < 3; ++freeze) {
        // The second, fourth and sixth job meet a frozen spooler.
        const qsizetype started = ReadFile(TodaysLog()).count(jobStarts);
        ASSERT_TRUE(WaitFor([&] { return ReadFile(TodaysLog()).count(jobStarts) > started + (freeze == 0 ? 1 : 0); },
                            120000));
        cups.Freeze();
        QTest::qWait(30000);
        cups.Thaw();
    }
    ASSERT_TRUE(WaitFor([&] { return ReceivedByName(cups).jobs.size() >= names.size(); }, 240000));
    QTest::qWait(8000);
    const Received received = ReceivedByName(cups);
    for (const QString &name : names)
        EXPECT_EQ(received.jobs.value(name), 1) << name.toStdString();
    EXPECT_EQ(cups.ReceivedJobs().size(), static_cast<size_t>(names.size()));
    const QStringList lines = RecordLines();
    for (const QString &name : names)
        EXPECT_EQ(lines.count(QFileInfo(name).completeBaseName() + QStringLiteral(":1;")), 1) << name.toStdString();
}

namespace {

// A tmpfs of `megabytes` mounted on `folder`, unmounted when the object goes.
class SmallDisk final
{
public:
    SmallDisk(const fs::path &folder, int megabytes)
        : m_folder(folder)
    {
        fs::create_directories(folder);
        const QString command = QStringLiteral("mount -t tmpfs -o size=%1m tmpfs '%2' 2>/dev/null")
                                    .arg(megabytes)
                                    .arg(QString::fromStdString(folder.string()));
        m_mounted = std::system(command.toUtf8().constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            std::system(("umount -l '" + m_folder.string() + "' 2>/dev/null").c_str());
    }
    bool Mounted() const { return m_mounted; }

private:
    fs::path m_folder;
    bool m_mounted = false;
};

// A photo of a few hundred kilobytes: noise does not compress.
void WriteNoisyPhoto(const fs::path &path, int seed)
{
    QImage photo(900, 600, QImage::Format_RGB32);
    quint32 state = 2654435761u * static_cast<quint32>(seed + 1);
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | (state >> 8);
        }
    }
    const fs::path part = fs::path(path).replace_extension(".part");
    ASSERT_TRUE(photo.save(QString::fromStdString(part.string()), "JPEG", 95));
    fs::rename(part, path);
}

// Fills the disk of `folder` with one file until about `leave` bytes are free.
void FillDisk(const fs::path &file, std::uintmax_t leave)
{
    const std::uintmax_t available = fs::space(file.parent_path()).available;
    if (available <= leave)
        return;
    std::FILE *out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::vector<char> block(4096, 'x');
    for (std::uintmax_t written = 0; written + block.size() <= available - leave; written += block.size())
        std::fwrite(block.data(), 1, block.size(), out);
    std::fclose(out);
}

// True when every line of the UTF-16LE file has the shape name:count;
bool EveryLineWhole(const fs::path &file)
{
    const QStringList lines = Utf16File::ReadLines(file).value_or(QStringList());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty() && i == lines.size() - 1)
            continue;
        if (!QRegularExpression(QStringLiteral("^[^:;]+:\\d+;$")).match(lines[i]).hasMatch())
            return false;
    }
    return true;
}

// A JPEG that ends in its end-of-image marker and decodes.
bool WholeJpeg(const fs::path &file)
{
    const QByteArray bytes = ReadFile(QString::fromStdString(file.string()));
    return bytes.endsWith("\xFF\xD9") && !QImage::fromData(bytes).isNull();
}

} // namespace

// The program folder on a 20 MB disk that fills up while photos arrive and
// is freed again: no file holds half a line or half a photo, the full disk is
// reported once in the run log, nothing is lost or printed twice, and the
// photos that waited print by themselves once there is room.
TEST(HandOverFullDisk, PhotosWaitForRoomAndPrintOnceWithoutHalfLines)
{
    const ProgramFolder folder;
    const fs::path event = folder.Path() / "event";
    const SmallDisk disk(event, 20);
    if (!disk.Mounted())
        GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
    PrivateCups cups;
    ASSERT_TRUE(cups.Start());
    ASSERT_TRUE(cups.AddQueue(kPrinter));
    const fs::path source = folder.Path() / "source";
    fs::create_directories(source);

    fs::current_path(event);
    PrepareEventKilledOnPhotoA();
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"),
                   QString::fromStdString(source.string()));
    ASSERT_TRUE(Utf16File::WriteText("Config/All_the_same.vellora", QStringLiteral("152\n102\n")));

    RunningProgram program(OnPrivateCups(cups.Server()));
    const auto printedNames = [&] { return static_cast<int>(ReceivedByName(cups).jobs.size()); };
    for (int i = 0; i < 4; ++i)
        WriteNoisyPhoto(source / ("IMG_" + std::to_string(4000 + i) + ".JPG"), i);
    ASSERT_TRUE(WaitFor([&] { return printedNames() >= 4; }, 90000)) << printedNames();

    // Room for log lines, not for a photo.
    FillDisk(event / "filler", 150 * 1024);
    for (int i = 4; i < 10; ++i)
        WriteNoisyPhoto(source / ("IMG_" + std::to_string(4000 + i) + ".JPG"), i);
    QTest::qWait(20000);
    const int printedWhileFull = printedNames();
    fs::remove(event / "filler");

    ASSERT_TRUE(WaitFor([&] { return printedNames() >= 10; }, 150000)) << printedNames();
    QTest::qWait(6000);
    EXPECT_LT(printedWhileFull, 10);
    const Received received = ReceivedByName(cups);
    for (auto it = received.jobs.cbegin(); it != received.jobs.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();
    EXPECT_EQ(cups.ReceivedJobs().size(), 10u);
    EXPECT_TRUE(EveryLineWhole(("Config/" + Today() + ".vellora").toStdString()));
    EXPECT_TRUE(EveryLineWhole(("Config/" + Today() + "PT.vellora").toStdString()));
    for (const char *sub : {"Pic_P", "Pic_R", "Pic_S"}) {
        for (const auto &entry : fs::directory_iterator(sub))
            EXPECT_TRUE(WholeJpeg(entry.path())) << entry.path();
    }
    // "磁盘空间不足", once.
    EXPECT_EQ(ReadFile(TodaysLog()).count(QByteArray("\xB4\xC5\xC5\xCC\xBF\xD5\xBC\xE4\xB2\xBB\xD7\xE3")), 1);
    program.Kill();
    fs::current_path(folder.Path());
}
