#include "desk/Locks.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/WorkingFolders.h"
#include "compose/TemplateSettings.h"
#include "intake/IntakeState.h"
#include "compose/PictureNumber.h"
#include "intake/PhotoQueue.h"
#include "intake/ReprintDesk.h"
#include "intake/ReprintRecords.h"
#include "intake/SourceFolderScan.h"
#include "platform/CodePage936.h"
#include "platform/Clock.h"
#include "platform/Pause.h"
#include "platform/WorkerSet.h"
#include "printing/WorkMode.h"
#include "tests/printing/PrintHarness.h"
#include "tests/support/CameraPhotos.h"
#include "tests/support/Eventually.h"
#include "tests/support/FakeSpooler.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <fstream>
#include <memory>
#include <mutex>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

QByteArray JpegBytes(QSize size, QColor color)
{
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(color);
    // Some detail, so the compressed data is long enough to cut in half.
    QPainter painter(&photo);
    for (int x = 0; x < size.width(); x += 7)
        painter.fillRect(x, 0, 3, size.height(), QColor(x % 255, 40, 200));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "JPG", 95);
    return bytes;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A frame template with a transparent window over most of a 20 x 15 mm canvas.
QString WriteTemplate()
{
    QImage frame(378, 283, QImage::Format_ARGB32);
    frame.fill(QColor(0, 0, 255));
    for (int y = 20; y < 263; ++y)
        for (int x = 20; x < 358; ++x)
            frame.setPixel(x, y, qRgba(0, 0, 0, 0));
    frame.save(QStringLiteral("frame.png"));
    return QStringLiteral("frame.png");
}

// Scans the source folder until nothing more happens or `done` holds.
void ScanUntil(PhotoQueue &queue, const ScanTaskParams &fields, const std::function<bool()> &done)
{
    WorkerSet walks;
    for (int scan = 0; scan < 12 && !done(); ++scan) {
        ASSERT_EVENTUALLY(SourceScanCount == 0 && !ComposingNow, 10000);
        RequestSourceScan(walks, fields, [&queue](std::unique_ptr<ScanTaskParams> task) {
            queue.StartComposition(std::move(task));
        });
        ASSERT_EVENTUALLY(SourceScanCount == 0 && !ComposingNow, 10000);
    }
}

QStringList PendingNames(PhotoListModel &pending)
{
    QStringList names;
    for (int row = 0; row < pending.RowCount(); ++row)
        names << pending.Text(row, 1);
    return names;
}

class Queue : public testing::Test
{
protected:
    Queue()
        : harness(FakeSpooler::PrintingEverything(), 0.01)
    {
        CreateWorkingFolders();
        fs::create_directory("in");
        fields.sourceFolder = QStringLiteral("in");
        fields.paperWidthText = QStringLiteral("20");
        fields.paperHeightText = QStringLiteral("15");
    }

    PrintHarness harness;
    PhotoQueue queue{QSize(12, 9)};
    ScanTaskParams fields;
};

} // namespace

TEST_F(Queue, PhotosStillBeingWrittenOrBrokenWaitInTheSourceFolderWithoutStoppingTheOthers)
{
    fields.frameFile = WriteTemplate();
    const QByteArray whole = JpegBytes(QSize(320, 240), Qt::red);
    WriteFile(QStringLiteral("in/1.jpg"), whole.left(whole.size() / 2)); // cut short for good
    WriteFile(QStringLiteral("in/2.jpg"), "this is no photo");
    WriteFile(QStringLiteral("in/3.jpg"), whole);
    WriteFile(QStringLiteral("in/4.jpg"), whole.left(whole.size() / 3)); // still arriving

    ScanUntil(queue, fields, [] { return QFile::exists(QStringLiteral("Pic_P/3.jpg")); });
    ASSERT_TRUE(QFile::exists(QStringLiteral("Pic_P/3.jpg")));
    ASSERT_TRUE(QFile::exists(QStringLiteral("Pic_S/3.jpg")));

    // The rest of the photo arrives in two more steps.
    WriteFile(QStringLiteral("in/4.jpg"), whole.left(whole.size() * 2 / 3));
    ScanUntil(queue, fields, [] { return false; });
    EXPECT_FALSE(QFile::exists(QStringLiteral("Pic_P/4.jpg")));
    WriteFile(QStringLiteral("in/4.jpg"), whole);
    ScanUntil(queue, fields, [] { return QFile::exists(QStringLiteral("Pic_P/4.jpg")); });

    EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"3.jpg", "4.jpg"}));
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_S/4.jpg")), whole) << "kept as received";
    const QImage composed(QStringLiteral("Pic_P/4.jpg"));
    ASSERT_FALSE(composed.isNull());
    EXPECT_GT(qRed(composed.pixel(composed.width() / 2, composed.height() - 30)), 120)
        << "the photo's bottom was composed from real pixels, not the grey of a cut-off decode";
    for (const char *left : {"in/1.jpg", "in/2.jpg"})
        EXPECT_TRUE(QFile::exists(QString::fromUtf8(left))) << left;
    EXPECT_FALSE(QFile::exists(QStringLiteral("Pic_P/1.jpg")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("Pic_P/2.jpg")));
}

TEST_F(Queue, APhotoThatCannotBeComposedIsReportedOnceAndWaitsUntilItChanges)
{
    fields.frameFile = WriteTemplate();
    std::mutex mutex;
    QStringList reports;
    SetUncomposableReport([&](const QString &text) {
        const std::lock_guard lock(mutex);
        reports << text;
    });
    // Damaged JPEGs would print with grey blocks: they are refused like a file that is no photo.
    const QByteArray photo = JpegBytes(QSize(320, 240), Qt::red);
    const struct
    {
        const char *name;
        QByteArray bytes;
    } broken[] = {
        {"broken.jpg", "this is no photo"},
        {"cut.jpg", CutWithEndMarker(photo)},
        {"huge.jpg", DeclaringSize(photo, 65000, 65000)},
    };
    for (const auto &file : broken)
        WriteFile(QStringLiteral("in/") + QString::fromUtf8(file.name), file.bytes);
    ScanUntil(queue, fields, [] { return false; });
    SetUncomposableReport({});

    const std::lock_guard lock(mutex);
    QFile log(RunLogFileName(Clock::Now()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = CodePage936::ToUnicode(log.readAll());
    QStringList expected;
    for (const auto &file : broken) {
        const QString name = QString::fromUtf8(file.name);
        SCOPED_TRACE(file.name);
        // A file that does not even start as a JPEG says so.
        expected << (file.bytes.startsWith("\xff\xd8\xff") ? QStringLiteral("图片无法合成:")
                                                             : QStringLiteral("图片无法合成（不是JPEG文件）:"))
                + name;
        EXPECT_EQ(logged.count(expected.back()), 1);
        EXPECT_EQ(ReadFile(QStringLiteral("in/") + name), file.bytes) << "stays as it is";
    }
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(queue.Pending().RowCount(), 0) << "nothing is printed";

    WriteFile(QStringLiteral("in/broken.jpg"), JpegBytes(QSize(64, 48), Qt::green)); // mended
    ScanUntil(queue, fields, [] { return QFile::exists(QStringLiteral("Pic_P/broken.jpg")); });
    EXPECT_TRUE(QFile::exists(QStringLiteral("Pic_S/broken.jpg")));
}

TEST_F(Queue, WithoutTemplatePhotosAreCopiedUnnumberedAndCollidingNamesKeepEveryPhoto)
{
    const QByteArray first = JpegBytes(QSize(64, 48), Qt::green);
    const QByteArray second = JpegBytes(QSize(64, 48), Qt::blue);
    const QByteArray third = JpegBytes(QSize(64, 48), Qt::red);
    WriteFile(QStringLiteral("in/DSC0001.jpg"), first);
    WriteFile(QStringLiteral("in/IMG_0001.jpg"), second);
    // What an earlier card left: the same camera name already kept.
    WriteFile(QStringLiteral("Pic_S/IMG_0001.jpg"), third);

    ScanUntil(queue, fields, [] { return QDir(QStringLiteral("in")).isEmpty(); });

    EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"0001.jpg", "0001-2.jpg"}));
    EXPECT_EQ(queue.Pending().Text(0, 2).toStdString(), "0") << "no picture number: the row index";
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_P/0001.jpg")), first);
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_P/0001-2.jpg")), second) << "the later photo has a name of its own";
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_S/DSC0001.jpg")), first);
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_S/IMG_0001.jpg")), third) << "a kept photo is never replaced";
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_S/IMG_0001-2.jpg")), second);
}

TEST_F(Queue, PendingScanListsThePendingFolderInOrderAndTakeOutCopesWithMissingFiles)
{
    for (const char *name : {"30.jpg", "10.jpg", "20.jpg"})
        WriteFile(QStringLiteral("Pic_P/") + QString::fromUtf8(name), JpegBytes(QSize(32, 24), Qt::gray));
    WriteFile(QStringLiteral("Pic_B/10.jpg"), "taken out earlier");
    queue.StartPendingFolderScan();
    ASSERT_EVENTUALLY(PendingScanCount == 0, 5000);
    EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"10.jpg", "20.jpg", "30.jpg"}));

    QFile::remove(QStringLiteral("Pic_P/20.jpg"));
    queue.TakeOut(1);
    EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"10.jpg", "30.jpg"}));
    queue.TakeOut(0);
    EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"30.jpg"}));
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_B/10.jpg")), QByteArray("taken out earlier")) << "never replaced";
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_B/10-2.jpg")), JpegBytes(QSize(32, 24), Qt::gray));
}

TEST_F(Queue, DispatchStepHandsNewPhotosOnlyToPrintersThatTakeThem)
{
    const struct
    {
        const char *name;
        int32_t mode;
        bool handedOver;
    } cases[] = {
        {"reprint_printer_never_gets_a_new_photo", WorkModeReprint, false},
        {"standby_printer_waits", WorkModeStandby, false},
        {"new_photos_printer", WorkModeNew, true},
        {"any_job_printer", WorkModeRandom, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PrinterTable.clear();
        harness.AddPrinter(QStringLiteral("Photo-A"), true, 0, c.mode);
        // A second printer in the same mode: with one checked printer the dispatcher takes it whatever its mode.
        harness.AddPrinter(QStringLiteral("Photo-B"), true, 0, c.mode);
        queue.Pending().Clear();
        WriteFile(QStringLiteral("Pic_P/7.jpg"), JpegBytes(QSize(32, 24), Qt::gray));
        queue.AddPendingItem(QStringLiteral("7.jpg"), QStringLiteral("Pic_P/7.jpg"), 0);
        AutoPrintRunning = true;
        NoPrinterEverChecked = false;

        queue.DispatchStep(true);
        PrintHarness::WaitForPrintThreads();

        EXPECT_EQ(QFile::exists(QStringLiteral("Pic_R/7.jpg")), c.handedOver);
        EXPECT_EQ(QFile::exists(QStringLiteral("Pic_P/7.jpg")), !c.handedOver);
        EXPECT_EQ(queue.Pending().RowCount(), c.handedOver ? 0 : 1);
        QFile::remove(QStringLiteral("Pic_R/7.jpg"));
        ASSERT_EVENTUALLY(!QueueRebuilding && !DispatchBusy, 5000);
    }
}

TEST_F(Queue, DispatchStepDropsARowWhoseFileIsGoneAndKeepsThePrintedPhotoOfThatName)
{
    WriteFile(QStringLiteral("Pic_R/8.jpg"), "printed earlier");
    harness.AddPrinter(QStringLiteral("Photo-A"), true);
    queue.AddPendingItem(QStringLiteral("8.jpg"), QStringLiteral("Pic_P/8.jpg"), 0);
    AutoPrintRunning = true;
    NoPrinterEverChecked = false;
    queue.DispatchStep(true);
    EXPECT_EQ(queue.Pending().RowCount(), 0);
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_R/8.jpg")), QByteArray("printed earlier"));
}

namespace {

// Makes a folder refuse moves out of it, as a read-only card or another
// user's inbox does, for as long as it lives. Root may move out of a folder
// without write permission, so for root the folder is made immutable.
class FolderRefusingMoves final
{
public:
    explicit FolderRefusingMoves(const char *folder)
        : m_folder(folder)
    {
        m_refusing = SetRefusing(true);
    }
    ~FolderRefusingMoves() { SetRefusing(false); }
    bool Refusing() const { return m_refusing; }

private:
    bool SetRefusing(bool refuse) const
    {
        if (geteuid() != 0)
            return chmod(m_folder, refuse ? 0555 : 0755) == 0;
        const int fd = open(m_folder, O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = refuse ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        close(fd);
        return done;
    }

    const char *m_folder;
    bool m_refusing = false;
};

int CountOf(const QStringList &texts, const QString &text)
{
    return static_cast<int>(texts.count(text));
}

} // namespace

TEST_F(Queue, APhotoInAFolderThatRefusesMovesIsComposedOnceAndToldOnce)
{
    fields.frameFile = WriteTemplate();
    PictureCounter = 0;
    const QByteArray photo = JpegBytes(QSize(160, 120), Qt::red);
    WriteFile(QStringLiteral("in/IMG_0001.jpg"), photo);
    WriteFile(QStringLiteral("in/IMG_0002.jpg"), photo);
    // Composed by a run before a restart, with the card still in the folder.
    const QByteArray earlier = JpegBytes(QSize(160, 120), Qt::green);
    WriteFile(QStringLiteral("in/IMG_0003.jpg"), earlier);
    WriteFile(QStringLiteral("Pic_S/IMG_0003.jpg"), earlier);
    const FolderRefusingMoves readOnly("in");
    if (!readOnly.Refusing())
        GTEST_SKIP() << "this file system cannot make a folder refuse moves";
    QSignalSpy hints(&queue, &PhotoQueue::HintChanged);

    for (int scan = 0; scan < 4; ++scan)
        ScanUntil(queue, fields, [] { return false; });

    EXPECT_EQ(QDir(QStringLiteral("Pic_P")).entryList(QDir::Files), QStringList({"0001.jpg", "0002.jpg"}))
        << "each photo composed once, not once per scan nor again after a restart";
    EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"0001.jpg", "0002.jpg"}));
    EXPECT_EQ(PictureCounter, 2);
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_S/IMG_0001.jpg")), photo) << "kept as received all the same";
    const QStringList log = PrintHarness::RunLog();
    EXPECT_EQ(CountOf(log, QStringLiteral("照片无法移出数据源目录:IMG_0001.jpg")), 1);
    EXPECT_EQ(CountOf(log, QStringLiteral("照片无法移出数据源目录:IMG_0002.jpg")), 1);
    ASSERT_EQ(hints.size(), 2);
    EXPECT_TRUE(hints[1][0].toString().endsWith(QStringLiteral("IMG_0002.jpg")));
}

// A copy into the queue that fails (a full disk, a folder that takes no
// files) lists nothing and keeps the source where it is for a later scan.
TEST_F(Queue, WithoutTemplateAPhotoTheQueueCannotTakeWaitsInTheSourceFolder)
{
    const QByteArray photo = JpegBytes(QSize(32, 24), Qt::gray);
    WriteFile(QStringLiteral("in/IMG_0001.jpg"), photo);
    {
        const FolderRefusingMoves full("Pic_P");
        if (!full.Refusing())
            GTEST_SKIP() << "this file system cannot make a folder refuse files";
        int scans = 0;
        ScanUntil(queue, fields, [&scans] { return scans++ == 2; });
        EXPECT_TRUE(PendingNames(queue.Pending()).isEmpty());
        EXPECT_EQ(ReadFile(QStringLiteral("in/IMG_0001.jpg")), photo);
        EXPECT_FALSE(QFile::exists(QStringLiteral("Pic_S/IMG_0001.jpg")));
    }
    ScanUntil(queue, fields, [] { return QDir(QStringLiteral("in")).isEmpty(); });
    EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"0001.jpg"}));
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_P/0001.jpg")), photo);
}

TEST_F(Queue, CollidingNamesArePrintedAndReprintedEachByItsOwnName)
{
    fields.frameFile = WriteTemplate();
    // Two cameras both number a photo 1234; the second card arrives later.
    WriteFile(QStringLiteral("in/IMG_1234.JPG"), JpegBytes(QSize(160, 120), Qt::red));
    ScanUntil(queue, fields, [] { return QDir(QStringLiteral("in")).isEmpty(); });
    WriteFile(QStringLiteral("in/IMG_1234.JPG"), JpegBytes(QSize(160, 120), Qt::blue));
    ScanUntil(queue, fields, [] { return QDir(QStringLiteral("in")).isEmpty(); });
    ASSERT_EQ(PendingNames(queue.Pending()), QStringList({"1234.JPG", "1234-2.JPG"}));
    EXPECT_EQ(QDir(QStringLiteral("Pic_S")).entryList(QDir::Files), QStringList({"IMG_1234-2.JPG", "IMG_1234.JPG"}));

    harness.AddPrinter(QStringLiteral("Photo-A"), true);
    harness.AddPrinter(QStringLiteral("Photo-B"), true);
    AutoPrintRunning = true;
    NoPrinterEverChecked = false;
    for (int photo = 0; photo < 2; ++photo) {
        ASSERT_EVENTUALLY(!QueueRebuilding && !DispatchBusy, 5000);
        queue.DispatchStep(true);
    }
    PrintHarness::WaitForPrintThreads();
    EXPECT_EQ(QDir(QStringLiteral("Pic_R")).entryList(QDir::Files), QStringList({"1234-2.JPG", "1234.JPG"}));

    // A restart rebuilds the printed list; each photo is found by its own name.
    PrintedNextIndex = 0;
    PhotoQueue restarted{QSize(12, 9)};
    ReprintListModel reprints;
    restarted.restoreFromRecords = [&reprints](PhotoListModel &printed) {
        RestoreFromRecords(printed, reprints, [](const QString &) {});
    };
    PrintedListReady = false;
    restarted.StartPrintedFolderScan();
    ASSERT_EVENTUALLY(PrintedListReady, 5000);
    for (const char *name : {"1234-2", "1234"}) {
        ReprintListBusy = true;
        ASSERT_TRUE(SearchPrintedList(restarted.Printed(), reprints, QString::fromUtf8(name), 1, false,
                                      [](const QString &) {}));
    }
    const std::vector<ReprintRow> rows = reprints.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].path.toStdString(), "Pic_R/1234-2.JPG");
    EXPECT_EQ(rows[1].path.toStdString(), "Pic_R/1234.JPG");
    const QImage second(rows[0].path);
    ASSERT_FALSE(second.isNull());
    EXPECT_GT(qBlue(second.pixel(second.width() / 2, second.height() / 2)), 150) << "the second camera's photo";
    PrintedListReady = false;
    PrintedNextIndex = 0;
}

TEST_F(Queue, PendingFolderScansNeverPileUp)
{
    {
        // A long dispatch step or walk holds the pending folder while every tick asks for a scan.
        const std::lock_guard held(pending_folder_cs);
        for (int tick = 0; tick < 6; ++tick)
            queue.StartPendingFolderScan();
        EXPECT_EQ(PendingScanCount, 2) << "one walks, one waits, the others were never started";
    }
    ASSERT_EVENTUALLY(PendingScanCount == 0, 5000);
}

TEST_F(Queue, AQueueGoingAwayStopsItsWalkAndWaitsForIt)
{
    for (int number = 10; number < 20; ++number)
        WriteFile(QStringLiteral("Pic_P/%1.jpg").arg(number), JpegBytes(QSize(32, 24), Qt::gray));
    // Real pacing: every photo the walk lists costs its thumbnail pause and 300 ms more.
    SetPauseScale(1.0);
    auto going = std::make_unique<PhotoQueue>(QSize(12, 9));
    going->StartPendingFolderScan();
    ASSERT_EVENTUALLY(PendingScanRunning, 5000);

    const auto start = std::chrono::steady_clock::now();
    going.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(PendingScanCount, 0) << "the walk had ended when the queue was gone";
    EXPECT_FALSE(PendingScanRunning);
    SetPauseScale(0.01);
}

namespace {

// Walks as the print manager's scheduler does: before each photo the road
// is checked, and a stopped road ends the walk.
void ScanThroughRoad(PhotoQueue &queue, const ScanTaskParams &fields, int walks)
{
    WorkerSet walkers;
    for (int walk = 0; walk < walks; ++walk) {
        ASSERT_EVENTUALLY(SourceScanCount == 0 && !ComposingNow, 10000);
        RequestSourceScan(
            walkers, fields, [&queue](std::unique_ptr<ScanTaskParams> task) { queue.StartComposition(std::move(task)); },
            [&] { return queue.Road().Open(fields.frameFile, fields.paperWidthText, fields.paperHeightText); });
        ASSERT_EVENTUALLY(SourceScanCount == 0 && !ComposingNow, 10000);
    }
}

int RunLogCountOf(const QString &text)
{
    QFile log(RunLogFileName(Clock::Now()));
    return log.open(QIODevice::ReadOnly) ? CodePage936::ToUnicode(log.readAll()).count(QStringLiteral("=") + text) : 0;
}

} // namespace

// A template, or a paper, that no photo can be composed with stops the road
// before any photo: one message, no picture number, no photo blamed or
// moved. Mended, the road goes on by itself and the photos get 1 and 2.
TEST_F(Queue, ACauseThatIsNotThePhotosStopsTheRoadOnceAndItResumesWhenMended)
{
    const QString frame = WriteTemplate();
    const QByteArray frameBytes = ReadFile(frame);
    const struct
    {
        const char *name;
        std::function<void(ScanTaskParams &)> spoil;
        const char *cause;
    } cases[] = {
        {"missing template", [&](ScanTaskParams &) { QFile::remove(frame); }, "相框文件不存在：frame.png"},
        {"template cut short", [&](ScanTaskParams &) { WriteFile(frame, frameBytes.left(frameBytes.size() / 2)); },
         "相框文件无法读取（已损坏或不是图片）：frame.png"},
        {"template not a picture", [&](ScanTaskParams &) { WriteFile(frame, "no picture"); },
         "相框文件无法读取（已损坏或不是图片）：frame.png"},
        {"paper 99999 mm", [](ScanTaskParams &f) { f.paperWidthText = QStringLiteral("99999"); },
         "纸张尺寸无效（宽 99999 mm，高 15 mm；可用 10–500 mm）"},
        {"no paper", [](ScanTaskParams &f) { f.paperHeightText.clear(); },
         "纸张尺寸无效（宽 20 mm，高 未设置 mm；可用 10–500 mm）"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const char *folder : {"Pic_P", "Pic_S"})
            for (const auto &file : fs::directory_iterator(folder))
                fs::remove(file.path());
        std::error_code ignored;
        fs::remove("Config/PictureNumber.ini", ignored);
        queue.Pending().Clear();
        PictureCounter = 0;
        ScanTaskParams spoiled = fields;
        spoiled.frameFile = frame;
        WriteFile(frame, frameBytes);
        c.spoil(spoiled);
        WriteFile(QStringLiteral("in/IMG_0001.JPG"), JpegBytes(QSize(64, 48), Qt::green));
        WriteFile(QStringLiteral("in/IMG_0002.JPG"), JpegBytes(QSize(64, 48), Qt::red));
        std::mutex mutex;
        QStringList reports;
        queue.Road().SetReport([&](const QString &text) {
            const std::lock_guard lock(mutex);
            reports << text;
        });

        const QString stop = QStringLiteral("照片合成已停止：") + QString::fromUtf8(c.cause)
            + QStringLiteral("。照片留在数据源目录，不占用编号；修复后自动继续。");
        const int logged = RunLogCountOf(stop);
        ScanThroughRoad(queue, spoiled, 4);
        {
            const std::lock_guard lock(mutex);
            EXPECT_EQ(reports, QStringList{stop});
        }
        EXPECT_EQ(RunLogCountOf(stop), logged + 1);
        EXPECT_EQ(PictureCounter, 0);
        EXPECT_TRUE(fs::is_empty("Pic_P"));
        EXPECT_TRUE(QFile::exists(QStringLiteral("in/IMG_0001.JPG")));

        WriteFile(frame, frameBytes); // mended
        ScanTaskParams mended = spoiled;
        mended.paperWidthText = fields.paperWidthText;
        mended.paperHeightText = fields.paperHeightText;
        ScanThroughRoad(queue, mended, 2);
        EXPECT_EQ(PendingNames(queue.Pending()), QStringList({"0001.JPG", "0002.JPG"}));
        EXPECT_EQ(PictureNumberOf(QStringLiteral("0001.JPG")), 1);
        EXPECT_EQ(PictureNumberOf(QStringLiteral("0002.JPG")), 2);
        const std::lock_guard lock(mutex);
        EXPECT_EQ(reports, QStringList({stop, QStringLiteral("照片合成已恢复")}));
        queue.Road().SetReport({});
    }
}

// Names as real folders hold them: GBK bytes from a Windows share, a name
// with digits only after its first ".", a name that is all extension, a
// link to a photo elsewhere. Each is composed once under a visible name and
// kept in Pic_S as a file; a link to nothing and a PNG named .jpg are
// reported once by name and left where they are.
TEST_F(Queue, EveryNameAFolderHoldsIsComposedOrReportedOnceByName)
{
    fields.frameFile = WriteTemplate();
    const QByteArray photo = JpegBytes(QSize(64, 48), Qt::green);
    const std::string gbkName = CodePage936::FromUnicode(QStringLiteral("婚礼合影.jpg")).toStdString();
    ASSERT_FALSE(QString::fromUtf8(gbkName).toStdString() == gbkName) << "the bytes are not UTF-8";
    {
        std::ofstream(fs::path("in") / gbkName, std::ios::binary).write(photo.data(), photo.size());
    }
    WriteFile(QStringLiteral("in/party.2024.jpg"), photo);
    WriteFile(QStringLiteral("in/.jpg"), photo);
    fs::create_directory("elsewhere");
    WriteFile(QStringLiteral("elsewhere/IMG_0777.JPG"), photo);
    fs::create_symlink(fs::absolute("elsewhere/IMG_0777.JPG"), "in/IMG_0777.JPG");
    fs::create_symlink(fs::absolute("elsewhere/gone.jpg"), "in/gone.jpg");
    QImage(8, 8, QImage::Format_RGB32).save(QStringLiteral("in/shot.jpg"), "PNG");
    std::mutex mutex;
    QStringList reports;
    SetUncomposableReport([&](const QString &text) {
        const std::lock_guard lock(mutex);
        reports << text;
    });

    ScanThroughRoad(queue, fields, 6);
    SetUncomposableReport({});

    // Composed: four photos, each under a visible JPEG name, none hidden.
    const QStringList pending = PendingNames(queue.Pending());
    ASSERT_EQ(pending.size(), 4) << pending.join(u' ').toStdString();
    for (const QString &name : pending) {
        EXPECT_FALSE(name.startsWith(u'.')) << name.toStdString();
        EXPECT_TRUE(name.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive)) << name.toStdString();
        EXPECT_TRUE(QFile::exists(QStringLiteral("Pic_P/") + name)) << name.toStdString();
    }
    EXPECT_TRUE(pending.contains(QStringLiteral("0777.JPG")));
    // Kept as received, under valid names; the link's photo itself, not the link.
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("Pic_S/婚礼合影.jpg")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("Pic_S/IMG_0777.JPG")));
    EXPECT_EQ(ReadFile(QStringLiteral("Pic_S/IMG_0777.JPG")), photo);
    EXPECT_TRUE(QFile::exists(QStringLiteral("elsewhere/IMG_0777.JPG"))) << "the photo a link leads to stays";
    EXPECT_TRUE(QFile::exists(QStringLiteral("Pic_S/party.2024.jpg")));
    EXPECT_TRUE(QFile::exists(QStringLiteral("Pic_S/.jpg")));
    EXPECT_EQ(RunLogCountOf(QStringLiteral("文件名不是UTF-8，按“婚礼合影.jpg”处理（原名字节：")
                            + QString::fromLatin1(QByteArray::fromStdString(gbkName).toHex(' ')) + QStringLiteral("）")),
              1);

    // Refused, each said once by name, and left where it is.
    const std::lock_guard lock(mutex);
    EXPECT_EQ(reports.count(QStringLiteral("图片无法合成（链接指向的文件不存在）:gone.jpg")), 1);
    EXPECT_EQ(reports.count(QStringLiteral("图片无法合成（不是JPEG文件）:shot.jpg")), 1);
    EXPECT_EQ(reports.size(), 2) << reports.join(u' ').toStdString();
    EXPECT_TRUE(fs::is_symlink("in/gone.jpg"));
    EXPECT_TRUE(QFile::exists(QStringLiteral("in/shot.jpg")));
}
