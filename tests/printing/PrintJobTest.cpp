#include "desk/Locks.h"
#include "desk/PrinterListModel.h"
#include "desk/ProcessState.h"
#include "compose/ImageFiles.h"
#include "platform/CupsSpooler.h"
#include "platform/Pause.h"
#include "printing/PrintDispatcher.h"
#include "printing/PrintJob.h"
#include "printing/PrinterRegistry.h"
#include "printing/WorkMode.h"
#include "tests/printing/PrintHarness.h"
#include "tests/support/PrivateCups.h"

#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace std::chrono_literals;

// A photo of the given size and background with a red block of the given
// size in its top-left corner, saved in Pic_R.
std::filesystem::path SavePhotoWithRedCorner(const QString &name, QSize size, QRgb background, QSize red)
{
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(background);
    for (int y = 0; y < red.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        std::fill(line, line + red.width(), qRgb(255, 0, 0));
    }
    std::filesystem::create_directories("Pic_R");
    const std::filesystem::path path = std::filesystem::path("Pic_R") / name.toStdString();
    EXPECT_TRUE(SaveJpeg(path, 90, photo));
    return path;
}

// A photo of the given size, white with a red block in its top-left corner.
std::filesystem::path MakePhoto(const QString &name, int width, int height)
{
    return SavePhotoWithRedCorner(name, {width, height}, qRgb(255, 255, 255), {width / 4, height / 4});
}

// A composed photo's shape (152 x 102 mm), small: blue with its top-left
// quarter red, so the page shows where the photo went and which way it turned.
std::filesystem::path MakeComposedPhoto(const QString &name)
{
    return SavePhotoWithRedCorner(name, {608, 408}, qRgb(0, 0, 255), {304, 204});
}

// The first page of what a PostScript or PDF printer received, rendered by
// Ghostscript at the given resolution (72: one pixel per point).
QImage RenderedPage(const std::filesystem::path &file, int dotsPerInch = 72)
{
    const QString png = QString::fromStdString(file.string()) + QStringLiteral("-%1.png").arg(dotsPerInch);
    const int status = QProcess::execute(QStringLiteral("gs"), {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=png16m",
                                                                QStringLiteral("-r%1").arg(dotsPerInch), "-dFirstPage=1",
                                                                "-dLastPage=1", "-sOutputFile=" + png,
                                                                QString::fromStdString(file.string())});
    return status == 0 ? QImage(png) : QImage();
}

// Where the red corner is on the first page of what the printer received:
// "TL", "TR", "BL", "BR", or the corners joined when not exactly one is red.
QString RedCorner(const std::filesystem::path &file)
{
    const QImage page = RenderedPage(file, 15);
    if (page.isNull())
        return QStringLiteral("unreadable");
    const auto red = [&](double x, double y) {
        const QRgb pixel = page.pixel(static_cast<int>(x * page.width()), static_cast<int>(y * page.height()));
        return qRed(pixel) > 200 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
    };
    QStringList corners;
    for (const auto &[corner, x, y] : {std::tuple{"TL", 0.12, 0.12}, {"TR", 0.88, 0.12}, {"BL", 0.12, 0.88}, {"BR", 0.88, 0.88}}) {
        if (red(x, y))
            corners << corner;
    }
    return corners.join('+');
}

// "white", "red", "blue" or "other" for the pixel at (x, y) points from the top left.
QString ColourAt(const QImage &page, int x, int y)
{
    const QRgb pixel = page.pixel(x, y);
    const auto near = [](int value, int target) { return std::abs(value - target) < 70; };
    if (near(qRed(pixel), 255) && near(qGreen(pixel), 255) && near(qBlue(pixel), 255))
        return QStringLiteral("white");
    if (near(qRed(pixel), 255) && near(qGreen(pixel), 0) && near(qBlue(pixel), 0))
        return QStringLiteral("red");
    if (near(qRed(pixel), 0) && near(qGreen(pixel), 0) && near(qBlue(pixel), 255))
        return QStringLiteral("blue");
    return QStringLiteral("other");
}

// A private daemon with a portrait queue, a landscape queue and a spare
// one, the program's printer table over them (all checked), and print jobs
// asking the daemon.
// Fills a fresh printer table from the daemon's queues; false when the
// enumeration did not finish in time.
bool Enumerate(PrinterRegistry &registry)
{
    PrinterTable.clear();
    QSignalSpy enumerated(&registry, &PrinterRegistry::Enumerated);
    registry.Enumerate();
    return enumerated.wait(10000);
}

class PrintJobOverCups : public testing::Test
{
protected:
    static std::shared_ptr<CupsSpooler> StartDaemon(PrivateCups &cups)
    {
        EXPECT_TRUE(cups.Start());
        cups.UseInThisProcess();
        return std::make_shared<CupsSpooler>();
    }

    void SetUp() override
    {
        for (const char *queue : {"Portrait", "Landscape", "Spare"})
            ASSERT_TRUE(m_cups.AddQueue(queue));
        ASSERT_TRUE(m_cups.SetOption("Landscape", "orientation-requested-default", "4"));
        ASSERT_EQ(m_spooler->DefaultDevice("Landscape").value_or(PrinterDevice{}).orientation, 2);
        ASSERT_EQ(m_spooler->DefaultDevice("Portrait").value_or(PrinterDevice{}).orientation, 1);
        for (const char *queue : {"Portrait", "Landscape", "Spare"})
            m_harness.AddPrinter(queue, true);
    }

    static int Index(const QString &name)
    {
        for (size_t i = 0; i < PrinterTable.size(); ++i) {
            if (PrinterTable[i].name == name)
                return static_cast<int>(i);
        }
        return -1;
    }

    // Starts one job on its own thread; false when no thread could be made.
    static bool StartJob(const QString &printer, const std::filesystem::path &photo, int copies)
    {
        auto params = std::make_unique<PrintJobParams>();
        params->printerIndex = Index(printer);
        params->printerName = printer;
        params->pictureName = QString::fromStdString(photo.filename().string());
        params->picturePath = photo;
        params->copies = copies;
        return StartPrintJob(std::move(params)).has_value();
    }

    // Runs one job to its end on its own thread.
    static void Print(const QString &printer, const std::filesystem::path &photo, int copies = 1)
    {
        ASSERT_TRUE(StartJob(printer, photo, copies));
        ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    }

    PrivateCups m_cups;
    std::shared_ptr<CupsSpooler> m_spooler = StartDaemon(m_cups);
    PrintHarness m_harness{m_spooler, 0.01};
};

TEST_F(PrintJobOverCups, LandscapePhotosTurnOnlyForPortraitPages)
{
    struct Case
    {
        const char *queue;
        int width;
        int height;
        const char *corner;
    };
    // The spooler lays a landscape page onto the sheet a quarter turn
    // anticlockwise, so an unturned photo's top-left corner arrives bottom left.
    const Case cases[] = {
        {"Portrait", 6000, 4000, "TR"}, // turned clockwise by the program
        {"Portrait", 4000, 4000, "TL"},
        {"Landscape", 6000, 4000, "BL"},
        {"Landscape", 4000, 4000, "BL"},
    };
    for (const Case &test : cases) {
        const QString photo = QStringLiteral("%1-%2x%3.jpg").arg(test.queue).arg(test.width).arg(test.height);
        Print(test.queue, MakePhoto(photo, test.width, test.height));
    }
    ASSERT_TRUE(m_cups.WaitForReceived(std::size(cases), 60s));
    const auto jobs = m_cups.ReceivedJobs();
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(jobs[i].printer, cases[i].queue);
        EXPECT_EQ(RedCorner(jobs[i].file), cases[i].corner) << jobs[i].title.toStdString();
    }
}

// The dye-sublimation photo printer set to its 4x6 sheet: the job asks for
// no paper of its own, so the driver prints on the queue's sheet, and the
// printer list names that sheet.
TEST_F(PrintJobOverCups, ComposedPhotoPrintsOnTheDyeSublimationPrintersOwnPaper)
{
    ASSERT_TRUE(m_cups.AddQueue("DyeSub", PrivateCups::kDyeSublimationModel));
    ASSERT_TRUE(m_cups.SetOption("DyeSub", "PageSize", "w288h432"));
    PrinterListModel model;
    PrinterRegistry registry(*m_spooler, model);
    ASSERT_TRUE(Enumerate(registry));
    registry.RefreshPrinters();
    registry.WaitIdle();
    const int row = Index("DyeSub");
    ASSERT_GE(row, 0);
    EXPECT_EQ(model.Text(row, PrinterListModel::PaperColumn), "4x6");

    Print("DyeSub", MakeComposedPhoto("20260504-0001.jpg"));
    ASSERT_TRUE(m_cups.WaitForReceived(1, 60s)) << PrintHarness::RunLog().join('\n').toStdString();
    const auto job = m_cups.ReceivedJobs().at(0);
    EXPECT_EQ(job.printer, "DyeSub");
    EXPECT_FALSE(job.options.contains("media")) << job.options.toStdString();
    EXPECT_FALSE(job.options.contains("PageSize")) << job.options.toStdString();
    // What reaches the printer is the driver's own command stream, not the picture.
    std::ifstream data(job.file, std::ios::binary);
    std::string start(16, '\0');
    data.read(start.data(), 16);
    ASSERT_EQ(data.gcount(), 16);
    EXPECT_EQ(start[0], '\x1b') << "a DNP command";
    EXPECT_GT(std::filesystem::file_size(job.file), 100000u) << "a whole 4x6 sheet of pixels";
    EXPECT_EQ(PrinterTable[row].printedCount, 1);
}

// A queue defaulting to A4 portrait: the landscape photo is turned a
// quarter clockwise and stretched over exactly the printable area, inside
// the driver's 12-point margins.
TEST_F(PrintJobOverCups, LandscapePhotoIsTurnedAndStretchedOverThePrintableArea)
{
    ASSERT_TRUE(m_cups.SetOption("Portrait", "PageSize", "A4"));
    Print("Portrait", MakeComposedPhoto("a4.jpg"));
    ASSERT_TRUE(m_cups.WaitForReceived(1, 60s));
    const QImage page = RenderedPage(m_cups.ReceivedJobs().at(0).file);
    ASSERT_EQ(page.size(), QSize(595, 842));
    // The driver's printable area is (12, 12) to (583, 830); CUPS places the
    // picture within a few points of it.
    QRect printed;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (ColourAt(page, x, y) != "white")
                printed |= QRect(x, y, 1, 1);
        }
    }
    constexpr int kPlacement = 5;
    EXPECT_NEAR(printed.left(), 12, kPlacement);
    EXPECT_NEAR(printed.top(), 12, kPlacement);
    EXPECT_NEAR(printed.right(), 583, kPlacement);
    EXPECT_NEAR(printed.bottom(), 830, kPlacement);
    // Turned clockwise and stretched: the red quarter fills the top right.
    const QPoint centre = printed.center();
    EXPECT_EQ(ColourAt(page, printed.right() - 8, printed.top() + 8), "red");
    EXPECT_EQ(ColourAt(page, centre.x() + 8, centre.y() - 8), "red");
    EXPECT_EQ(ColourAt(page, centre.x() - 8, centre.y() - 8), "blue");
    EXPECT_EQ(ColourAt(page, centre.x() + 8, centre.y() + 8), "blue");
    EXPECT_EQ(ColourAt(page, printed.left() + 8, printed.bottom() - 8), "blue");
}

// Paper runs out: the backend stops the queue, which keeps the job. The row
// says so; "恢复打印机" starts the queue again and the kept job prints. A
// resume the spooler refuses is told to the operator.
TEST_F(PrintJobOverCups, StoppedQueueIsShownAndResumed)
{
    PrinterListModel model;
    PrinterRegistry registry(*m_spooler, model);
    ASSERT_TRUE(Enumerate(registry));
    const int row = Index("Spare");

    m_cups.RunOutOfPaper();
    Print("Spare", MakePhoto("kept.jpg", 900, 600));
    const uint32_t paperOut = PrinterStatusBit::Paused | PrinterStatusBit::PaperOut;
    const auto stopped = [&] {
        const auto info = m_spooler->Information({"Spare"});
        return info && (info->status & paperOut) == paperOut;
    };
    for (int i = 0; i < 200 && !stopped(); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(stopped());
    registry.RefreshPrinters();
    EXPECT_EQ(model.Text(row, PrinterListModel::StatusColumn), "打印暂停中...");
    EXPECT_TRUE(m_cups.ReceivedJobs().empty());

    registry.ResumePrinter(row);
    ASSERT_TRUE(m_cups.WaitForReceived(1, 60s));
    EXPECT_EQ(m_cups.ReceivedJobs()[0].title, "kept.jpg");
    registry.WaitIdle();
    EXPECT_TRUE(PrintHarness::RunLog().contains("Spare恢复打印机"));

    QSignalSpy refused(&registry, &PrinterRegistry::ResumeRefused);
    ASSERT_TRUE(m_cups.DeleteQueue("Spare"));
    registry.ResumePrinter(row);
    ASSERT_TRUE(refused.wait(10000));
    EXPECT_TRUE(refused.at(0).at(0).toString().startsWith("未能恢复打印机 Spare：")) << refused.at(0).at(0).toString().toStdString();
}

TEST_F(PrintJobOverCups, ThreeCopiesGoAsOneJobNamedAfterThePicture)
{
    Print("Portrait", MakePhoto("20260504-0007.jpg", 1200, 800), 3);
    ASSERT_TRUE(m_cups.WaitForReceived(1, 30s));
    QThread::msleep(300); // nothing more follows
    const auto jobs = m_cups.ReceivedJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].copies, 3);
    EXPECT_EQ(jobs[0].title, "20260504-0007.jpg");
    EXPECT_EQ(PrinterTable[Index("Portrait")].printedCount, 3);
    EXPECT_EQ(PrinterTable[Index("Portrait")].statusText, "正在打印:20260504-0007.jpg");
    EXPECT_EQ(PrinterTable[Index("Portrait")].queueDocuments, "20260504-0007.jpg");
    EXPECT_TRUE(PrintHarness::RunLog().contains("Portrait - SavePrintInfo"));
    EXPECT_FALSE(PrintingNow);
    EXPECT_FALSE(DispatchBusy);
    EXPECT_EQ(PrintingName.Get(), "");
}

// The next job (and the refresh) may take the turn once the document is
// sent: copy pauses, which grow with the copies, never hold it. Pauses at a
// tenth: 0.2 s of print delay, then four pauses of 1 s for ten copies.
TEST_F(PrintJobOverCups, AJobGivesUpItsTurnBeforeItsCopyPauses)
{
    SetPauseScale(0.1);
    const auto photo = MakeComposedPhoto("many.jpg");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartJob("Portrait", photo, 10));
    for (int i = 0; i < 200 && !PrintingNow; ++i)
        QThread::msleep(5);
    ASSERT_TRUE(PrintingNow);
    {
        const std::lock_guard turn(print_thread_cs);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1500ms) << "two copy pauses alone last 2 s";
        EXPECT_GT(PrintThreadsRunning(), 0) << "the job is still in its pauses";
    }
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    EXPECT_GE(std::chrono::steady_clock::now() - started, 4000ms) << "the job still takes every pause";
    EXPECT_EQ(PrinterTable[Index("Portrait")].printedCount, 10);
}

TEST_F(PrintJobOverCups, JobsDispatchedTogetherPrintOneAfterTheOther)
{
    const auto first = MakePhoto("first.jpg", 900, 600);
    const auto second = MakePhoto("second.jpg", 900, 600);
    {
        // Both jobs are started and waiting for their turn before either prints.
        const std::lock_guard printing(print_thread_cs);
        ASSERT_TRUE(DispatchPhoto(first, 1, "first.jpg", WorkModeReprint));
        for (int i = 0; i < 200 && DispatchBusy; ++i)
            QThread::msleep(5);
        ASSERT_TRUE(DispatchPhoto(second, 1, "second.jpg", WorkModeReprint));
    }
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(m_cups.WaitForReceived(2, 30s));

    // Each job's printing phase, from its first entry to its unlock, is one unbroken run.
    const QStringList log = PrintHarness::RunLog();
    const auto phase = [&](const QString &printer) {
        return std::pair(log.indexOf(printer + "进行图片打印:" + (printer == "Portrait" ? "first.jpg" : "second.jpg")),
                         log.indexOf(printer + " - print_thread_cs.Unlock()"));
    };
    const auto [aStart, aEnd] = phase("Portrait");
    const auto [bStart, bEnd] = phase("Landscape");
    ASSERT_TRUE(aStart >= 0 && aEnd > aStart && bStart >= 0 && bEnd > bStart) << log.join('\n').toStdString();
    EXPECT_TRUE(aEnd < bStart || bEnd < aStart) << log.join('\n').toStdString();
    for (int i = std::min(aStart, bStart); i <= std::min(aEnd, bEnd); ++i) {
        const QString owner = aStart < bStart ? "Portrait" : "Landscape";
        EXPECT_TRUE(log[i].startsWith(owner)) << log[i].toStdString();
    }
    EXPECT_EQ(PrinterTable[Index("Portrait")].printedCount, 1);
    EXPECT_EQ(PrinterTable[Index("Landscape")].printedCount, 1);
}

TEST_F(PrintJobOverCups, RefusedDocumentIsNeitherCountedNorRecorded)
{
    ASSERT_TRUE(m_cups.SetAccepting("Spare", false));
    Print("Spare", MakePhoto("refused.jpg", 900, 600), 2);
    const QStringList log = PrintHarness::RunLog();
    EXPECT_TRUE(log.contains("Spare打印作业未被接受:refused.jpg")) << log.join('\n').toStdString();
    EXPECT_FALSE(log.contains("Spare - SavePrintInfo"));
    EXPECT_EQ(log.last(), "Spare打印照片线程结束:refused.jpg");
    EXPECT_EQ(PrinterTable[Index("Spare")].printedCount, 0);
    EXPECT_TRUE(m_cups.ReceivedJobs().empty());
}

TEST_F(PrintJobOverCups, UnreadablePhotoPrintsNoBlankSheet)
{
    std::filesystem::create_directories("Pic_R");
    std::ofstream("Pic_R/broken.jpg") << "not a picture";
    Print("Spare", "Pic_R/broken.jpg");
    const QStringList log = PrintHarness::RunLog();
    EXPECT_TRUE(log.contains("不能读取图片:broken.jpg")) << log.join('\n').toStdString();
    EXPECT_EQ(PrinterTable[Index("Spare")].printedCount, 0);
    EXPECT_FALSE(PrintingNow);
    QThread::msleep(500);
    EXPECT_TRUE(m_cups.ReceivedJobs().empty());
}

TEST_F(PrintJobOverCups, PrinterRemovedBeforeItsJobLeavesTheRestWorking)
{
    PrinterListModel model;
    PrinterRegistry registry(*m_spooler, model);
    ASSERT_TRUE(Enumerate(registry));
    for (int row = 0; row < model.RowCount(); ++row)
        model.SetChecked(row, true);
    registry.RefreshPrinters();
    registry.WaitIdle();
    const int removed = Index("Landscape");
    ASSERT_EQ(removed, 0) << "the first checked printer takes the first photo";

    ASSERT_TRUE(m_cups.DeleteQueue("Landscape"));
    const auto photo = MakePhoto("late.jpg", 900, 600);
    ASSERT_TRUE(DispatchPhoto(photo, 1, "late.jpg", WorkModeReprint));
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    EXPECT_TRUE(PrintHarness::RunLog().contains("不能调用打印机:Landscape"));
    EXPECT_EQ(PrinterTable[removed].printedCount, 0);
    EXPECT_FALSE(DispatchBusy);

    const qsizetype logged = PrintHarness::RunLog().size();
    registry.RefreshPrinters();
    EXPECT_EQ(PrintHarness::RunLog().mid(logged).last(), "完成打印机工作状态");
    EXPECT_EQ(model.Text(Index("Portrait"), PrinterListModel::StatusColumn), "空闲");

    ASSERT_TRUE(DispatchPhoto(photo, 1, "late.jpg", WorkModeReprint));
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(m_cups.WaitForReceived(1, 30s));
    EXPECT_EQ(m_cups.ReceivedJobs()[0].printer, "Portrait");
    EXPECT_EQ(PrinterTable[Index("Portrait")].printedCount, 1);
    EXPECT_EQ(PrinterTable[removed].printedCount, 0);
}

} // namespace
