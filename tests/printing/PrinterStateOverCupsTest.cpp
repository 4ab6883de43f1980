#include "compose/ImageFiles.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/PrinterListModel.h"
#include "desk/ProcessState.h"
#include "platform/CupsSpooler.h"
#include "printing/PrintDispatcher.h"
#include "printing/PrinterRegistry.h"
#include "printing/WorkMode.h"
#include "tests/printing/PrintHarness.h"
#include "tests/support/EventGaps.h"
#include "tests/support/PrivateCups.h"

#include <QImage>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using namespace std::chrono_literals;
using Column = PrinterListModel::Column;

std::shared_ptr<CupsSpooler> StartDaemon(PrivateCups &cups)
{
    EXPECT_TRUE(cups.Start());
    cups.UseInThisProcess();
    return std::make_shared<CupsSpooler>();
}

// Two checked printers over a private daemon whose backend reports supplies
// the way a dye-sublimation driver's does, the registry and its list over
// them, and print jobs that reach the daemon.
class PrinterStateOverCups : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *queue : {"A-Upper", "B-Lower"})
            ASSERT_TRUE(m_cups.AddQueue(queue));
        AddQueues();
        QSignalSpy enumerated(&m_registry, &PrinterRegistry::Enumerated);
        m_registry.Enumerate();
        ASSERT_TRUE(enumerated.wait(10000));
        for (int row = 0; row < m_model.RowCount(); ++row)
            m_model.SetChecked(row, true);
        ASSERT_EQ(SelectedPrinterCount, m_model.RowCount());
    }
    virtual void AddQueues() {}

    int Row(const QString &name) const
    {
        for (int row = 0; row < m_model.RowCount(); ++row) {
            if (m_model.Text(row, Column::NameColumn) == name)
                return row;
        }
        return -1;
    }
    QString Text(const QString &printer, int column) const { return m_model.Text(Row(printer), column); }

    static std::filesystem::path Photo(const QString &name)
    {
        QImage photo(600, 400, QImage::Format_RGB32);
        photo.fill(qRgb(200, 120, 40));
        std::filesystem::create_directories("Pic_R");
        const auto path = std::filesystem::path("Pic_R") / name.toStdString();
        EXPECT_TRUE(SaveJpeg(path, 90, photo));
        return path;
    }

    // Hands the photo to whichever printer the dispatcher chooses, with
    // refresh passes between the attempts as the print cycle makes them.
    bool Dispatch(const QString &name)
    {
        const auto photo = Photo(name);
        for (int attempt = 0; attempt < 300; ++attempt) {
            while (DispatchBusy)
                QThread::msleep(5);
            m_registry.RefreshPrinters();
            if (DispatchPhoto(photo, 1, name, WorkModeReprint))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    // The titles of the jobs the named printer's backend received.
    QStringList ReceivedBy(const QString &printer) const
    {
        QStringList titles;
        for (const auto &job : m_cups.ReceivedJobs()) {
            if (job.printer == printer)
                titles << job.title;
        }
        return titles;
    }

    bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout = 60s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            QThread::msleep(50);
            m_registry.RefreshPrinters();
        }
        return true;
    }

    PrivateCups m_cups;
    std::shared_ptr<CupsSpooler> m_spooler = StartDaemon(m_cups);
    PrintHarness m_harness{m_spooler, 0.01};
    PrinterListModel m_model;
    PrinterRegistry m_registry{*m_spooler, m_model};
};

TEST_F(PrinterStateOverCups, PrintsLeftAndTheLowMarkFollowTheDriver)
{
    m_cups.SetSupply("B-Lower", 27, 100, 25);
    m_cups.SetSupply("A-Upper", 50, 100, 25);
    QSignalSpy low(&m_registry, &PrinterRegistry::RunningLow);
    m_registry.RefreshPrinters();
    EXPECT_EQ(Text("B-Lower", Column::RemainingColumn), "—") << "nothing printed, nothing known";

    // Printers are busy in turn; the upper one is stopped so every photo reaches the lower.
    ASSERT_TRUE(m_cups.SetEnabled("A-Upper", false));
    ASSERT_TRUE(Dispatch("1.jpg"));
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(WaitUntil([&] { return Text("B-Lower", Column::RemainingColumn) == "约 26 张"; }))
        << Text("B-Lower", Column::RemainingColumn).toStdString();
    EXPECT_FALSE(m_model.IsMarked(Row("B-Lower")));
    EXPECT_EQ(low.size(), 0);

    for (const char *name : {"2.jpg", "3.jpg"})
        ASSERT_TRUE(Dispatch(name));
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(WaitUntil([&] { return Text("B-Lower", Column::RemainingColumn) == "约 24 张"; }));
    EXPECT_TRUE(m_model.IsMarked(Row("B-Lower"))) << "below the driver's low mark of 25 %";
    m_registry.RefreshPrinters();
    ASSERT_EQ(low.size(), 1);
    EXPECT_TRUE(low[0][0].toString().contains("B-Lower"));
    EXPECT_EQ(ReceivedBy("A-Upper"), QStringList());
}

TEST_F(PrinterStateOverCups, PhotosGoAroundAPrinterOutOfPaperAndItsHeldPhotoPrintsOnceAfterResume)
{
    // The upper printer runs out of paper in the middle of a photo: its queue stops and keeps it.
    m_cups.RunOutOfPaper();
    ASSERT_TRUE(Dispatch("held.jpg"));
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(WaitUntil([&] { return !EntryCanPrint(PrinterTable[Row("A-Upper")]); }));
    EXPECT_EQ(Text("A-Upper", Column::FileColumn), "held.jpg;");

    // A burst goes entirely to the lower printer; none waits in the stopped queue.
    const QStringList burst{"b1.jpg", "b2.jpg", "b3.jpg", "b4.jpg"};
    for (const QString &name : burst)
        ASSERT_TRUE(Dispatch(name)) << name.toStdString();
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(m_cups.WaitForReceived(4, 60s));
    EXPECT_EQ(ReceivedBy("B-Lower"), burst);
    m_registry.RefreshPrinters();
    EXPECT_EQ(Text("A-Upper", Column::FileColumn), "held.jpg;");
    EXPECT_EQ(Text("A-Upper", Column::StatusColumn), "打印暂停中...");

    // "恢复打印机": the held photo prints once, and both printers take photos again.
    m_registry.ResumePrinter(Row("A-Upper"));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedBy("A-Upper").size() == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return EntryCanPrint(PrinterTable[Row("A-Upper")]); }))
        << Text("A-Upper", Column::StatusColumn).toStdString();
    for (const char *name : {"c1.jpg", "c2.jpg"})
        ASSERT_TRUE(Dispatch(name));
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(m_cups.WaitForReceived(7, 60s));
    QThread::msleep(500); // nothing more follows
    EXPECT_EQ(ReceivedBy("A-Upper"), (QStringList{"held.jpg", "c1.jpg"}));
    EXPECT_EQ(ReceivedBy("B-Lower"), burst + QStringList{"c2.jpg"});
    EXPECT_TRUE(PrintHarness::RunLog().contains("A-Upper不能打印，队列中保留: held.jpg;"));

    // Out of paper with nothing queued: the idle row says so instead of "空闲".
    m_cups.RunOutOfPaper();
    ASSERT_TRUE(m_cups.Submit("A-Upper", Photo("last.jpg"), "last.jpg"));
    ASSERT_TRUE(WaitUntil([&] { return !EntryCanPrint(PrinterTable[Row("A-Upper")]); }))
        << Text("A-Upper", Column::StatusColumn).toStdString();
    ASSERT_TRUE(m_cups.Run("cancel", {"-a", "A-Upper"}));
    m_registry.RefreshPrinters();
    EXPECT_EQ(Text("A-Upper", Column::FileColumn), "...");
    EXPECT_EQ(Text("A-Upper", Column::StatusColumn), "打印纸位置不正确...");
}

// A second desk's daemon sharing its queue "Shared" over IPP on a loopback
// port, and this desk's queue "C-Remote" printing to it.
class SeveralDesks : public PrinterStateOverCups
{
protected:
    void AddQueues() override
    {
        m_other.ShareOnLoopback();
        ASSERT_TRUE(m_other.Start());
        ASSERT_TRUE(m_other.AddQueue("Shared"));
        m_other.SetSupply("Shared", 60, 100, 10);
        ASSERT_TRUE(m_cups.AddRemoteQueue("C-Remote", m_other, "Shared"));
    }

    // Refresh passes on the registry's worker while this thread keeps
    // answering its events, as the window's timer makes them; the longest
    // this thread was kept from its events.
    std::chrono::milliseconds PassesAnswering(int passes)
    {
        std::chrono::milliseconds longest{0};
        for (int pass = 0; pass < passes; ++pass) {
            m_registry.RequestRefresh(true);
            longest = std::max(longest, LongestEventGapWhile([this] { return m_registry.RefreshRunning(); }));
        }
        m_registry.WaitIdle();
        return longest;
    }

    PrivateCups m_other;
};

TEST_F(SeveralDesks, AnotherDesksSharedPrinterPrintsShowsItsStateAndNeverHoldsTheWindow)
{
    // Only the shared printer: the photo crosses to the other desk.
    for (const char *name : {"A-Upper", "B-Lower"})
        m_model.SetChecked(Row(name), false);
    ASSERT_TRUE(Dispatch("r1.jpg"));
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    ASSERT_TRUE(m_other.WaitForReceived(1, 60s));
    EXPECT_EQ(m_other.ReceivedJobs()[0].title, "r1.jpg");
    EXPECT_TRUE(m_cups.ReceivedJobs().empty());
    ASSERT_TRUE(WaitUntil([&] { return Text("C-Remote", Column::RemainingColumn) == "约 59 张"; }, 30s))
        << Text("C-Remote", Column::RemainingColumn).toStdString();
    // The desk's own queue finishes its job a moment after the other desk printed it.
    EXPECT_TRUE(WaitUntil([&] { return Text("C-Remote", Column::StatusColumn) == "空闲"; }, 30s))
        << Text("C-Remote", Column::StatusColumn).toStdString();

    // The other desk freezes: the window keeps answering, and once the photo
    // handed over meanwhile waits there, photos go to this desk's printer.
    m_model.SetChecked(Row("B-Lower"), true);
    m_other.Freeze();
    std::chrono::milliseconds stall = PassesAnswering(2);
    QStringList sent;
    for (const char *name : {"f1.jpg", "f2.jpg", "f3.jpg"}) {
        ASSERT_TRUE(Dispatch(name));
        sent << name;
    }
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());
    stall = std::max(stall, PassesAnswering(3));
    ASSERT_TRUE(m_cups.WaitForReceived(2, 60s));
    const QStringList local = ReceivedBy("B-Lower");
    EXPECT_GE(local.size(), 2) << "at most the first photo waits for the frozen desk";
    EXPECT_LT(stall, 500ms);
    std::cout << "longest the window waited for its events with the other desk frozen: " << stall.count() << " ms\n";
    RecordProperty("longest_window_stall_other_desk_frozen_ms", static_cast<int>(stall.count()));

    // Thawed, the photo that waited for it prints there, once.
    m_other.Thaw();
    ASSERT_TRUE(m_other.WaitForReceived(static_cast<size_t>(1 + sent.size() - local.size()), 60s));
    QThread::msleep(500);
    EXPECT_EQ(m_other.ReceivedJobs().size() + local.size(), static_cast<size_t>(1 + sent.size()));
}

} // namespace
