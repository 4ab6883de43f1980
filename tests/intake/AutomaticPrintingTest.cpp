#include "tests/intake/PrintingWindow.h"

#include "desk/ProcessState.h"
#include "compose/PictureNumber.h"
#include "compose/TemplateSettings.h"
#include "intake/IntakeState.h"
#include "intake/PrintManager.h"
#include "platform/CodePage936.h"
#include "platform/Profile.h"
#include "tests/support/CameraPhotos.h"
#include "tests/support/Eventually.h"
#include "tests/support/OtherFileSystem.h"
#include "tests/support/RunLogText.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using AutomaticPrinting = PrintingWindow;

void DropPhotos(const QStringList &names)
{
    for (const QString &name : names) {
        QImage photo(600, 400, QImage::Format_RGB32);
        photo.fill(QColor(200, 60, 40));
        photo.save(QStringLiteral("in/") + name, "JPG");
    }
}

} // namespace

TEST_F(AutomaticPrinting, PhotosGoFromTheSourceFolderToThePrinter)
{
    OpenWindow();
    CheckPrinter();
    ASSERT_EVENTUALLY(PrintedListReady, 10000);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);

    DropPhotos({QStringLiteral("IMG_0003.JPG"), QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0002.JPG")});

    // Composed one per scan in name order, numbered 1, 2, 3, kept as received.
    ASSERT_EVENTUALLY(Files("in").isEmpty(), 30000);
    EXPECT_EQ(Files("Pic_S"), QStringList({"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}));
    for (int number = 1; number <= 3; ++number)
        EXPECT_EQ(PictureNumberOf(QStringLiteral("000%1.JPG").arg(number)), number);

    // Handed out at most one per four-second cycle, printed as three jobs.
    // The window's timers run while the test waits: wait with the event loop going.
    ASSERT_EVENTUALLY(m_cups.ReceivedJobs().size() >= 3, 40000);
    EXPECT_EQ(Files("Pic_R"), QStringList({"0001.JPG", "0002.JPG", "0003.JPG"}));
    EXPECT_TRUE(Files("Pic_P").isEmpty());
    const auto jobs = m_cups.ReceivedJobs();
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].title.toStdString(), "0001.JPG");
    EXPECT_EQ(jobs[2].title.toStdString(), "0003.JPG");
    ASSERT_EVENTUALLY_EQ(Queue().Printed().rowCount(), 3, 5000);
    EXPECT_EQ(Queue().Printed().Text(2, 2).toStdString(), "0003");
}

// The files photographers bring, made the way cameras and phones make them,
// all dropped into the source folder at once and printed at scale 0.7.
TEST_F(AutomaticPrinting, CameraAndPhonePhotosOfEveryKindArePrinted)
{
    const QString convert = QStringLiteral("convert");
    fs::create_directory("made");
    ASSERT_TRUE(Quadrants({1200, 800}).save(QStringLiteral("made/source.png")));
    const auto make = [&](const char *name, const QStringList &options) {
        return RunTool(convert, options + QStringList{QStringLiteral("-quality"), QStringLiteral("85"),
                                                      QStringLiteral("made/") + QString::fromLatin1(name)});
    };
    const QString source = QStringLiteral("made/source.png");
    ASSERT_TRUE(make("IMG_0001.JPG", {QStringLiteral("-size"), QStringLiteral("8256x5504"), QStringLiteral("xc:#c86428")}));  // 45 MP
    ASSERT_TRUE(make("IMG_0002.JPG", {QStringLiteral("-size"), QStringLiteral("11648x8736"), QStringLiteral("xc:#2864c8")})); // 100 MP
    ASSERT_TRUE(make("IMG_0003.JPG", {source}));
    ASSERT_TRUE(make("IMG_0004.JPG", {source, QStringLiteral("-colorspace"), QStringLiteral("CMYK")}));
    ASSERT_TRUE(make("IMG_0005.JPG", {source, QStringLiteral("-colorspace"), QStringLiteral("Gray")}));
    ASSERT_TRUE(make("IMG_0006.JPG", {source, QStringLiteral("-interlace"), QStringLiteral("JPEG")}));
    for (const auto &[name, orientation] : {std::pair{"IMG_0007.JPG", "3"}, {"IMG_0008.JPG", "6"}, {"IMG_0009.JPG", "8"}}) {
        ASSERT_TRUE(make(name, {source}));
        ASSERT_TRUE(RunTool(QStringLiteral("exiftool"), {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                                         QStringLiteral("-Orientation#=") + QString::fromLatin1(orientation),
                                                         QStringLiteral("made/") + QString::fromLatin1(name)}));
    }
    { // a phone's motion photo: a video after the picture
        QFile motion(QStringLiteral("made/IMG_0003.JPG"));
        ASSERT_TRUE(motion.open(QIODevice::Append));
        motion.write(QByteArray(64 * 1024, '\x5a'));
    }

    OpenWindow();
    TemplateSettings settings = CurrentTemplateSettings.Get();
    settings.Proportion = 0.7f;
    CurrentTemplateSettings.Set(settings);
    CheckPrinter();
    ASSERT_EVENTUALLY(PrintedListReady, 10000);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);

    const QStringList names = QDir(QStringLiteral("made")).entryList({QStringLiteral("*.JPG")}, QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 9);
    for (const QString &name : names)
        ASSERT_TRUE(QFile::rename(QStringLiteral("made/") + name, QStringLiteral("in/") + name));

    ASSERT_EVENTUALLY(m_cups.ReceivedJobs().size() >= 9, 90000);
    EXPECT_TRUE(Files("in").isEmpty()) << "none left behind";
    EXPECT_EQ(Files("Pic_S"), names);
    EXPECT_EQ(Files("Pic_R").size(), 9);
}

TEST_F(AutomaticPrinting, ABurstIsComposedAndPrintedInNameOrderWhileItArrives)
{
    ASSERT_TRUE(m_cups.AddQueue(QStringLiteral("Photo-B")));
    OpenWindow();
    // The one-second timers run four times as fast, like the pauses.
    for (QTimer *timer : m_window->findChildren<QTimer *>()) {
        if (timer->interval() == 1000)
            timer->setInterval(250);
    }
    CheckPrinter(0);
    CheckPrinter(1);
    ASSERT_EVENTUALLY(PrintedListReady, 10000);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);

    // A card of twelve photos emptied into the source folder at once, in no particular order.
    QStringList names;
    for (int photo = 12; photo >= 1; --photo)
        names << QStringLiteral("IMG_%1.JPG").arg(photo, 4, 10, QLatin1Char('0'));
    std::swap(names[3], names[8]);
    DropPhotos(names);

    ASSERT_EVENTUALLY(Files("Pic_R").size() == 12, 60000);
    // A photo joins the printed list once the spooler has accepted its job.
    ASSERT_EVENTUALLY(Queue().Printed().RowCount() == 12, 30000);
    for (int number = 1; number <= 12; ++number) {
        const QString key = QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'));
        EXPECT_EQ(PictureNumberOf(key), number) << "numbered in name order: " << key.toStdString();
        // The printed list grows in the order the photos were handed to the printers.
        EXPECT_EQ(Queue().Printed().Text(number - 1, 2), key) << "dispatched in name order";
    }
    // Each photo printed once, on whichever printer was idle (the upper one
    // first: when it keeps up, it prints them all).
    ASSERT_EVENTUALLY(m_cups.ReceivedJobs().size() >= 12, 30000);
    QStringList printed;
    for (const PrivateCups::ReceivedJob &job : m_cups.ReceivedJobs())
        printed << job.title;
    printed.sort();
    QStringList expected;
    for (int number = 1; number <= 12; ++number)
        expected << QStringLiteral("%1.JPG").arg(number, 4, 10, QLatin1Char('0'));
    EXPECT_EQ(printed, expected);
}

TEST_F(AutomaticPrinting, RestartRebuildsTheListsAndNumberingGoesOn)
{
    // What an earlier run left: three photos waiting, one printed, numbers recorded.
    fs::create_directories("Pic_P");
    fs::create_directories("Pic_R");
    for (const char *name : {"Pic_P/0011.JPG", "Pic_P/0012.JPG", "Pic_P/0013.JPG", "Pic_R/0010.JPG"}) {
        QImage photo(300, 200, QImage::Format_RGB32);
        photo.fill(Qt::gray);
        photo.save(QString::fromUtf8(name), "JPG");
    }
    for (const auto &[key, number] : {std::pair{"0010", 40}, {"0011", 41}, {"0012", 42}, {"0013", 43}})
        RecordPictureNumber(QString::fromUtf8(key), number);

    // Printed-folder scan still walking: the start is refused with the message.
    OpenWindow();
    bool refused = false;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            refused = box->text() == QStringLiteral("系统正在恢复文件信息列表，请稍候...");
            box->accept();
        }
    });
    PrintedListReady = false;
    Page().StartButton()->click();
    EXPECT_TRUE(refused);
    EXPECT_FALSE(AutoPrintRunning);

    ASSERT_EVENTUALLY(PrintedListReady && PendingScanCount == 0 && Queue().Pending().rowCount() == 3, 20000);
    EXPECT_EQ(Queue().Pending().Text(0, 1).toStdString(), "0011.JPG");
    EXPECT_EQ(Queue().Pending().Text(1, 1).toStdString(), "0012.JPG");
    EXPECT_EQ(Queue().Pending().Text(2, 1).toStdString(), "0013.JPG");
    EXPECT_EQ(Queue().Pending().Text(2, 2).toStdString(), "43");
    EXPECT_EQ(Queue().Printed().Text(0, 2).toStdString(), "0010");
    EXPECT_EQ(NextPictureNumber(), 44) << "numbering goes on from the highest recorded number";
}

// A source folder whose path is longer than the 99 characters the settings
// file was once read with, holding a photo whose name is GBK bytes from a
// Windows share: both photos are printed, the GBK one kept under its name.
TEST_F(AutomaticPrinting, ALongSourcePathAndAGbkNamedPhotoArePrinted)
{
    const std::string here = fs::current_path().string() + "/";
    const std::string deep = here + std::string(std::max<std::size_t>(130 - here.size(), 10), 'd');
    ASSERT_GE(deep.size(), 130u);
    fs::create_directories(deep);
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"),
                   QString::fromStdString(deep));
    OpenWindow();
    EXPECT_EQ(Page().Manager().SourceFolder().toStdString(), deep) << "read whole";
    CheckPrinter();
    ASSERT_EVENTUALLY(PrintedListReady, 10000);
    Page().StartButton()->click();

    QImage photo(600, 400, QImage::Format_RGB32);
    photo.fill(QColor(200, 60, 40));
    photo.save(QString::fromStdString(deep + "/IMG_0001.JPG"), "JPG");
    const std::string gbkName = CodePage936::FromUnicode(QStringLiteral("新娘.jpg")).toStdString();
    fs::copy_file(deep + "/IMG_0001.JPG", deep + "/" + gbkName);

    ASSERT_EVENTUALLY(m_cups.ReceivedJobs().size() >= 2, 40000);
    EXPECT_TRUE(fs::is_empty(deep));
    EXPECT_EQ(Files("Pic_S"), QStringList({QStringLiteral("IMG_0001.JPG"), QStringLiteral("新娘.jpg")}));
    EXPECT_EQ(Files("Pic_R").size(), 2);
}

// The frame template taken away while photos arrive: the road stops with one
// message in the hint line and the run log, the photos stay in the source
// folder and no number is used. Put back, the photos print as 1 and 2.
TEST_F(AutomaticPrinting, AMissingTemplateStopsTheRoadOnceAndItResumesWhenTheTemplateIsBack)
{
    OpenWindow();
    CheckPrinter();
    ASSERT_EVENTUALLY(PrintedListReady, 10000);
    fs::rename("frame.png", "frame.png.away");
    Page().StartButton()->click();
    DropPhotos({QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0002.JPG")});

    const QString stop = QStringLiteral("照片合成已停止：相框文件不存在：") + QDir::currentPath()
        + QStringLiteral("/frame.png。照片留在数据源目录，不占用编号；修复后自动继续。");
    ASSERT_EVENTUALLY(Page().Hint()->text() == stop, 10000);
    QTest::qWait(5000); // five more scans find the template still missing
    EXPECT_EQ(RunLogCount(stop), 1);
    EXPECT_EQ(PictureCounter, 0);
    EXPECT_EQ(Files("in").size(), 2);
    EXPECT_TRUE(Files("Pic_P").isEmpty());
    EXPECT_TRUE(m_cups.ReceivedJobs().empty());

    fs::rename("frame.png.away", "frame.png");
    // Crash recovery ran meanwhile (a fresh folder has no closing mark): the
    // printer checked before it stays chosen though it has printed nothing yet.
    ASSERT_EVENTUALLY(m_cups.ReceivedJobs().size() >= 2, 40000);
    EXPECT_EQ(SelectedPrinterCount, 1);
    EXPECT_EQ(PictureNumberOf(QStringLiteral("0001.JPG")), 1);
    EXPECT_EQ(PictureNumberOf(QStringLiteral("0002.JPG")), 2);
    EXPECT_EQ(RunLogCount(QStringLiteral("照片合成已恢复")), 1);
    EXPECT_EQ(RunLogCount(stop), 1);
}

// The pending folder's disk full while photos arrive: the road stops with one
// message, the photos stay in the source folder and no number is used. With
// room made, the photos print as 1 and 2.
TEST_F(AutomaticPrinting, AFullDiskStopsTheRoadOnceAndItResumesWhenThereIsRoom)
{
    fs::create_directories("Pic_P");
    const TmpfsMount pending("Pic_P", "12m");
    if (!pending.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    // The filler sits in a folder of its own: the pending-folder walk passes
    // over folders at once, while a stray file costs it a pause each walk.
    fs::create_directories("Pic_P/fill");
    {
        QFile filler(QStringLiteral("Pic_P/fill/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024 * 1024, 'x');
        for (int i = 0; i < 7; ++i)
            ASSERT_EQ(filler.write(block), block.size());
    }
    OpenWindow();
    CheckPrinter();
    ASSERT_EVENTUALLY(PrintedListReady && !PendingScanRunning, 10000);
    Page().StartButton()->click();
    DropPhotos({QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0002.JPG")});

    const QString stop = QStringLiteral("照片合成已停止：磁盘空间不足（待打印目录 Pic_P 所在磁盘剩余不到 8 MB）。"
                                        "照片留在数据源目录，不占用编号；修复后自动继续。");
    ASSERT_EVENTUALLY_EQ(Page().Hint()->text(), stop, 10000);
    QTest::qWait(3000); // more scans find the disk still full
    EXPECT_EQ(RunLogCount(stop), 1);
    EXPECT_EQ(PictureCounter, 0);
    EXPECT_EQ(Files("in").size(), 2);
    EXPECT_TRUE(m_cups.ReceivedJobs().empty());

    fs::remove("Pic_P/fill/filler");
    ASSERT_EVENTUALLY(m_cups.ReceivedJobs().size() >= 2, 40000);
    EXPECT_EQ(PictureNumberOf(QStringLiteral("0001.JPG")), 1);
    EXPECT_EQ(PictureNumberOf(QStringLiteral("0002.JPG")), 2);
    EXPECT_EQ(RunLogCount(QStringLiteral("照片合成已恢复")), 1);
    EXPECT_EQ(RunLogCount(stop), 1);
    CloseWindow();
}
