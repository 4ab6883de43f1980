#include "tests/printing/RegistryHarness.h"

#include "desk/Locks.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/SysValues.h"
#include "platform/CodePage936.h"
#include "tests/support/Eventually.h"

#include <QDesktopServices>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

// Takes the URLs the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public slots:
    void Open(const QUrl &url) { opened = url; }

public:
    QUrl opened;
};

namespace {

using Column = PrinterListModel::Column;

QStringList Row(const RegistryHarness &h, int row)
{
    QStringList texts;
    for (int column = 0; column < PrinterListModel::ColumnCount; ++column)
        texts << h.Text(row, column);
    return texts;
}

FakeSpooler::Printer WithPaper(const QString &name, const QString &port, const QString &paper)
{
    FakeSpooler::Printer printer = FakePrinter(name);
    printer.device->port = port;
    printer.device->paperName = paper;
    return printer;
}

TEST(PrinterRegistry, EnumeratesRowsAndQueriesDefaultPapers)
{
    // Device URIs are often long; neither a long nor an empty one says anything about the paper.
    const QString longPort = "usb://Vendor/Photo%20Printer%20DS620?serial=0123456789ABCDEF";
    RegistryHarness h({
        WithPaper("Photo-A", "usb://a", "4x6"),
        WithPaper("Fax", "", "Letter"),
        WithPaper("Photo-B", longPort, "w288h432"),
        WithPaper("Long-Name", "usb://c", "A4"),
        WithPaper("No-Match", "usb://d", ""),
    });
    ASSERT_TRUE(h.Enumerate());
    ASSERT_EQ(h.model.RowCount(), 5);
    EXPECT_EQ(Row(h, 0), (QStringList{"Photo-A", "空闲", "NULL", "0", "0", "", ""}));
    EXPECT_EQ(h.Text(1, Column::NameColumn), "Fax");
    ASSERT_EQ(PrinterTable.size(), 5u);
    EXPECT_EQ(PrinterTable[2].name, "Photo-B");

    h.Refresh();
    EXPECT_EQ(h.Text(0, Column::PaperColumn), "4x6");
    EXPECT_EQ(h.Text(1, Column::PaperColumn), "Letter") << "empty port";
    EXPECT_EQ(h.Text(2, Column::PaperColumn), "w288h432") << "long port";
    EXPECT_EQ(h.Text(3, Column::PaperColumn), "A4");
    EXPECT_EQ(h.Text(4, Column::PaperColumn), "") << "no default paper";
    EXPECT_EQ(Row(h, 0).mid(1, 4), (QStringList{"空闲", "...", "0", "随机"}));
    EXPECT_EQ(h.Text(0, Column::RemainingColumn), "—") << "the driver says nothing";
}

// The table is filled on the worker under its lock, and the flag the
// printed-folder scan waits for stays set until it is.
TEST(PrinterRegistry, EnumerationFillsTheTableUnderItsLock)
{
    RegistryHarness h({FakePrinter("Photo-A"), FakePrinter("Photo-B")});
    QSignalSpy done(h.registry.get(), &PrinterRegistry::Enumerated);
    {
        const std::lock_guard table(printer_table_cs);
        h.registry->Enumerate();
        QTest::qWait(300);
        EXPECT_TRUE(PrinterTable.empty());
        EXPECT_TRUE(PrinterEnumerationRunning);
    }
    ASSERT_TRUE(done.wait(5000));
    ASSERT_EQ(PrinterTable.size(), 2u);
    EXPECT_EQ(PrinterTable[1].name, "Photo-B");
    EXPECT_FALSE(PrinterEnumerationRunning);
}

TEST(PrinterRegistry, ColumnZeroClicksCheckAndRecordTheChoice)
{
    RegistryHarness h({FakePrinter("Photo-A"), FakePrinter("Photo-B")});
    ASSERT_TRUE(h.Enumerate());

    h.registry->OnClicked(0, Column::NameColumn);
    EXPECT_FALSE(h.model.IsChecked(0)) << "no default paper shown yet";
    EXPECT_EQ(ReadSysValue("System", "ChoosePrinter"), "Error");

    h.Refresh();
    h.registry->OnClicked(0, Column::NameColumn);
    EXPECT_TRUE(h.model.IsChecked(0));
    EXPECT_TRUE(PrinterTable[0].checked);
    EXPECT_EQ(SelectedPrinterCount, 1);
    EXPECT_FALSE(NoPrinterChosen);
    EXPECT_FALSE(NoPrinterEverChecked);
    EXPECT_EQ(ReadSysValue("System", "ChoosePrinter"), "True");

    h.registry->OnClicked(0, Column::StatusColumn);
    EXPECT_TRUE(h.model.IsChecked(0)) << "other columns leave the check mark";

    h.registry->OnClicked(0, Column::NameColumn);
    EXPECT_FALSE(PrinterTable[0].checked);
    EXPECT_EQ(SelectedPrinterCount, 0);
    EXPECT_TRUE(NoPrinterChosen);
    EXPECT_EQ(ReadSysValue("System", "ChoosePrinter"), "False");

    h.registry->OnDoubleClicked(1, Column::NameColumn);
    EXPECT_TRUE(PrinterTable[1].checked);
    EXPECT_EQ(h.registry->LastClickedRow(), 0);
}

TEST(PrinterRegistry, VirtualPrinterIsNeverChecked)
{
    RegistryHarness h({FakePrinter("Fax"), FakePrinter("Photo-A")});
    ASSERT_TRUE(h.Enumerate());
    h.Refresh();
    ASSERT_FALSE(h.Text(0, Column::PaperColumn).isEmpty());

    h.registry->OnClicked(0, Column::NameColumn);
    h.registry->OnDoubleClicked(0, Column::NameColumn);
    h.model.setData(h.model.index(0, Column::NameColumn), Qt::Checked, Qt::CheckStateRole);
    EXPECT_FALSE(h.model.IsChecked(0));
    EXPECT_FALSE(PrinterTable[0].checked);
    EXPECT_EQ(SelectedPrinterCount, 0);
    EXPECT_EQ(h.registry->LastClickedRow(), 0);
}

TEST(PrinterRegistry, RightClickOpensThePrinterPreferencesPage)
{
    RegistryHarness h({FakePrinter("Fax")});
    ASSERT_TRUE(h.Enumerate());
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "Open");
    h.registry->OnRightClicked(0, Column::StatusColumn);
    EXPECT_TRUE(catcher.opened.isEmpty());
    h.registry->OnRightClicked(0, Column::NameColumn);
    QDesktopServices::unsetUrlHandler("http");
    EXPECT_EQ(catcher.opened, QUrl("http://localhost:631/printers/Fax"));
}

TEST(PrinterRegistry, RefreshShowsQueuesAndKeepsGoneOrUnreachablePrinters)
{
    auto busy = FakePrinter("Photo-A");
    busy.jobs = {{1, "a", 0}, {2, "b", 0}};
    RegistryHarness h({busy, FakePrinter("Photo-B"), FakePrinter("Photo-C")});
    ASSERT_TRUE(h.Enumerate());
    h.Refresh();
    EXPECT_EQ(PrinterTable[0].jobCount, 2);
    EXPECT_EQ(Row(h, 0).mid(1, 2), (QStringList{"未能获取状态,或正在打印。", "a;b;"}));
    EXPECT_EQ(h.Text(1, Column::FileColumn), "...");

    // A printer removed while the program runs keeps its row and last values.
    h.spooler.Remove("Photo-A");
    h.Refresh();
    EXPECT_EQ(Row(h, 0).mid(1, 2), (QStringList{"未能获取状态,或正在打印。", "a;b;"}));
    EXPECT_EQ(h.Text(2, Column::StatusColumn), "空闲") << "the pass goes on after it";

    // An unreachable spooler: every row says so, and the next pass after it comes back shows real states.
    h.spooler.SetReachable(false);
    h.Refresh();
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(h.Text(row, Column::StatusColumn), "不能获取状态") << row;
    h.spooler.SetReachable(true);
    h.Refresh();
    EXPECT_EQ(h.Text(1, Column::StatusColumn), "空闲");
    EXPECT_EQ(h.Text(2, Column::StatusColumn), "空闲");
}

TEST(PrinterRegistry, TimerRefreshRunsInPhaseOneOnceNoDispatchHoldsIt)
{
    RegistryHarness h({FakePrinter("Photo-A")});
    ASSERT_TRUE(h.Enumerate());
    int calls = h.spooler.CallCount();
    PrintCyclePhase = 2;
    EXPECT_FALSE(h.registry->OnTimerTick());
    h.registry->WaitIdle();
    EXPECT_EQ(h.spooler.CallCount(), calls);

    PrintCyclePhase = 1;
    EXPECT_TRUE(h.registry->OnTimerTick());
    h.registry->WaitIdle();
    EXPECT_GT(h.spooler.CallCount(), calls);
    EXPECT_EQ(h.Text(0, Column::PaperColumn), "A4");

    // The last phase's dispatch still holds at the tick: the pass follows
    // its end within the phase, or the printer it reserved would look busy
    // a whole cycle longer.
    calls = h.spooler.CallCount();
    DispatchBusy = true;
    EXPECT_FALSE(h.registry->OnTimerTick());
    QTest::qWait(300);
    EXPECT_EQ(h.spooler.CallCount(), calls);
    DispatchBusy = false;
    ASSERT_EVENTUALLY(h.spooler.CallCount() > calls, 2000);

    // A hold that outlasts the phase leaves that cycle without a pass.
    h.registry->WaitIdle();
    calls = h.spooler.CallCount();
    DispatchBusy = true;
    EXPECT_FALSE(h.registry->OnTimerTick());
    PrintCyclePhase = 2;
    DispatchBusy = false;
    QTest::qWait(300);
    h.registry->WaitIdle();
    EXPECT_EQ(h.spooler.CallCount(), calls);
}

TEST(PrinterRegistry, RefreshKeyRefillsDefaultPapersUnlessAutoPrintIsActive)
{
    RegistryHarness h({FakePrinter("Photo-A"), FakePrinter("Photo-B")});
    ASSERT_TRUE(h.Enumerate());
    h.Refresh();
    auto changed = FakePrinter("Photo-B");
    changed.device->paperName = "Letter";
    h.spooler.Set(changed);

    AutoPrintActive = true;
    h.registry->OnRefreshKey();
    h.registry->WaitIdle();
    EXPECT_EQ(h.Text(1, Column::PaperColumn), "A4");

    AutoPrintActive = false;
    h.registry->OnRefreshKey();
    h.registry->WaitIdle();
    EXPECT_EQ(h.Text(0, Column::PaperColumn), "A4");
    EXPECT_EQ(h.Text(1, Column::PaperColumn), "Letter");
}

TEST(PrinterRegistry, CheckedPrintersInReprintModesClearNoPrinterChosen)
{
    RegistryHarness h({FakePrinter("Photo-A")});
    ASSERT_TRUE(h.Enumerate());
    h.Refresh();
    h.registry->OnClicked(0, Column::NameColumn);
    for (const auto &[mode, chosen] : {std::pair{WorkModeNew, false}, {WorkModeRandom, true}, {WorkModeReprint, true},
                                       {WorkModeStandby, true}, {WorkModeNone, false}}) {
        PrinterTable[0].workMode = mode;
        h.Refresh();
        EXPECT_EQ(NoPrinterChosen, !chosen) << mode;
        EXPECT_EQ(h.Text(0, Column::WorkModeColumn), WorkModeText(mode));
    }
}

// A pass that looked at the marks before a click must not undo the click's
// answer: the desk would refuse every reprint until the next pass.
TEST(PrinterRegistry, APassNeverUndoesACheckMarkSetWhileItRan)
{
    RegistryHarness h({FakePrinter("Photo-A"), FakePrinter("Photo-B")});
    ASSERT_TRUE(h.Enumerate());
    h.Refresh();
    ASSERT_TRUE(NoPrinterChosen);

    // The pass has shown Photo-A unchecked and waits at Photo-B's queue.
    std::promise<void> reached;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> held{false};
    h.spooler.OnJobs([&](const QString &printer) {
        if (printer == "Photo-B" && !held.exchange(true)) {
            reached.set_value();
            released.wait();
        }
    });
    ASSERT_TRUE(h.registry->RequestRefresh());
    reached.get_future().wait();
    h.registry->OnClicked(0, Column::NameColumn);
    EXPECT_FALSE(NoPrinterChosen);

    release.set_value();
    h.registry->WaitIdle();
    EXPECT_FALSE(NoPrinterChosen);
    h.spooler.OnJobs(nullptr);
}

int RunLogCount(const QString &text)
{
    QFile file(RunLogFileName(QDateTime::currentDateTime()));
    return file.open(QIODevice::ReadOnly) ? static_cast<int>(CodePage936::ToUnicode(file.readAll()).count(text)) : 0;
}

// What each queue has left and whether it can print reach its row, the
// dispatcher's view of it and, once, the hint line.
TEST(PrinterRegistry, RowsShowWhatIsLeftAndWhatKeepsAPrinterFromPrinting)
{
    auto upper = FakePrinter("Upper");
    upper.info.status = PrinterStatusBit::Paused | PrinterStatusBit::PaperOut;
    upper.info.markers.messages = {"\"0 native prints remaining on 4x6 media\""};
    auto lower = FakePrinter("Lower");
    lower.info.markers.levels = {40};
    RegistryHarness h({upper, lower});
    ASSERT_TRUE(h.Enumerate());
    QSignalSpy low(h.registry.get(), &PrinterRegistry::RunningLow);
    h.Refresh();
    EXPECT_EQ(h.Text(0, Column::StatusColumn), "打印纸位置不正确...") << "out of paper, not idle";
    EXPECT_EQ(h.Text(0, Column::RemainingColumn), "约 0 张");
    EXPECT_TRUE(h.model.IsMarked(0));
    EXPECT_FALSE(PrinterTable[0].canPrint);
    EXPECT_EQ(h.Text(1, Column::StatusColumn), "空闲");
    EXPECT_EQ(h.Text(1, Column::RemainingColumn), "40%");
    EXPECT_FALSE(h.model.IsMarked(1));
    EXPECT_TRUE(PrinterTable[1].canPrint);
    ASSERT_EQ(low.size(), 1);
    EXPECT_TRUE(low[0][0].toString().contains("Upper"));

    // The lower one runs low: said once, however many passes follow.
    lower.info.markers.levels = {8};
    h.spooler.Set(lower);
    h.Refresh();
    h.Refresh();
    EXPECT_TRUE(h.model.IsMarked(1));
    ASSERT_EQ(low.size(), 2);
    EXPECT_TRUE(low[1][0].toString().contains("Lower"));
    EXPECT_TRUE(low[1][0].toString().contains("8%"));

    // A photo handed over before the queue stopped stays there; the run log
    // says once where it is.
    upper.jobs = {{7, "a.jpg", JobStatusBit::Paused}};
    h.spooler.Set(upper);
    h.Refresh();
    h.Refresh();
    EXPECT_EQ(RunLogCount("Upper不能打印，队列中保留: a.jpg;"), 1);

    // Paper in and "恢复打印机": a printer again, though the spooler still
    // keeps the driver's report of the paper out.
    upper.jobs.clear();
    upper.info.status = PrinterStatusBit::PaperOut;
    upper.info.markers.messages = {"\"400 native prints remaining on 4x6 media\""};
    h.spooler.Set(upper);
    h.registry->ResumePrinter(0);
    h.registry->WaitIdle();
    EXPECT_TRUE(PrinterTable[0].canPrint);
    EXPECT_EQ(h.Text(0, Column::StatusColumn), "空闲");
    EXPECT_FALSE(h.model.IsMarked(0));

    // A report that went away and comes back counts again; so does one that
    // stops the queue again.
    for (const auto &statuses : {std::vector<uint32_t>{0, PrinterStatusBit::PaperOut},
                                 std::vector<uint32_t>{PrinterStatusBit::PaperOut | PrinterStatusBit::Paused}}) {
        upper.info.status = PrinterStatusBit::PaperOut;
        h.spooler.Set(upper);
        h.registry->ResumePrinter(0);
        h.registry->WaitIdle();
        ASSERT_TRUE(PrinterTable[0].canPrint);
        for (const uint32_t status : statuses) {
            upper.info.status = status;
            h.spooler.Set(upper);
            h.Refresh();
        }
        EXPECT_FALSE(PrinterTable[0].canPrint);
        EXPECT_EQ(h.Text(0, Column::StatusColumn), "打印纸位置不正确...");
    }

    // A spooler that stops answering leaves no printer to hand photos to.
    h.spooler.SetReachable(false);
    h.Refresh();
    EXPECT_FALSE(PrinterTable[0].canPrint);
    EXPECT_FALSE(PrinterTable[1].canPrint);
}

} // namespace

#include "PrinterRegistryTest.moc"
