#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "app/CVelloraDlg.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "platform/CupsSpooler.h"
#include "printing/PrinterRegistry.h"
#include "tests/support/EventGaps.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ProgramFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTimer>
#include <QTableView>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>

namespace {

using Column = PrinterListModel::Column;

// The main window over a private daemon with the queues Photo-A, Photo-B and Fax.
class WindowOverCups : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_cups.Start());
        m_cups.UseInThisProcess();
        for (const char *queue : {"Photo-A", "Photo-B", "Fax"})
            ASSERT_TRUE(m_cups.AddQueue(queue));
        ASSERT_TRUE(m_cups.SetOption("Photo-A", "PageSize", "A4"));
        ASSERT_TRUE(m_cups.SetOption("Photo-B", "PageSize", "Letter"));
        std::ofstream(m_cups.Root() / "page.txt") << "page\n";
        PrinterTable.clear();
        DispatchBusy = false;
        AutoPrintActive = false;
        PrintCyclePhase = 1;
        m_window = std::make_unique<CVelloraDlg>([] {});
        // These tests set the print cycle's phase themselves.
        m_window->PrintManagerPage().PageTimer()->stop();
        QSignalSpy enumerated(&m_window->Registry(), &PrinterRegistry::Enumerated);
        ASSERT_TRUE(enumerated.wait(10000));
    }

    void TearDown() override
    {
        m_window.reset();
        PrinterTable.clear();
    }

    PrinterListModel &List() { return m_window->Printers(); }
    QString Text(int row, int column) { return List().Text(row, column); }
    int Row(const QString &name)
    {
        for (int row = 0; row < List().RowCount(); ++row) {
            if (Text(row, Column::NameColumn) == name)
                return row;
        }
        return -1;
    }

    // One tick of timer 1 and the pass it started, with the event loop running meanwhile.
    // Returns the longest time the user-interface thread was kept from its events.
    std::chrono::milliseconds TickAndWait()
    {
        m_window->OnTimer1();
        const auto longest = LongestEventGapWhile([this] { return m_window->Registry().RefreshRunning(); });
        m_window->Registry().WaitIdle();
        QCoreApplication::processEvents();
        return longest;
    }

    void Click(int row, int column)
    {
        QTableView *view = m_window->PrinterList();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(List().index(row, column)).center());
    }

    ProgramFolder m_folder;
    PrivateCups m_cups;
    std::unique_ptr<CVelloraDlg> m_window;
};

TEST_F(WindowOverCups, ListsTheSpoolersQueuesWithDefaultPapers)
{
    const QStringList order = CupsSpooler().EnumeratePrinters().value_or(QStringList());
    ASSERT_EQ(order.size(), 3);
    ASSERT_EQ(List().RowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Text(row, Column::NameColumn), order[row]);
        EXPECT_EQ(Text(row, Column::StatusColumn), "空闲");
        EXPECT_EQ(Text(row, Column::FileColumn), "NULL");
        EXPECT_EQ(Text(row, Column::PrintedColumn), "0");
        EXPECT_EQ(Text(row, Column::WorkModeColumn), "0");
    }
    TickAndWait();
    EXPECT_EQ(Text(Row("Photo-A"), Column::PaperColumn), "A4");
    EXPECT_EQ(Text(Row("Photo-B"), Column::PaperColumn), "Letter");

    // Fax can never become checked.
    m_window->show();
    const int fax = Row("Fax");
    Click(fax, Column::NameColumn);
    QTest::mouseDClick(m_window->PrinterList()->viewport(), Qt::LeftButton, {},
                       m_window->PrinterList()->visualRect(List().index(fax, 0)).center());
    List().setData(List().index(fax, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_FALSE(List().IsChecked(fax));
    EXPECT_FALSE(PrinterTable[fax].checked);
    Click(Row("Photo-A"), Column::StatusColumn);
    m_window->Registry().OnClicked(Row("Photo-A"), Column::NameColumn);
    EXPECT_TRUE(PrinterTable[Row("Photo-A")].checked);
}

TEST_F(WindowOverCups, RefreshPassesFollowTheRealQueues)
{
    const int b = Row("Photo-B");
    ASSERT_TRUE(m_cups.SetEnabled("Photo-B", false));
    ASSERT_TRUE(m_cups.Submit("Photo-B", m_cups.Root() / "page.txt", "a"));
    ASSERT_TRUE(m_cups.Submit("Photo-B", m_cups.Root() / "page.txt", "b"));
    TickAndWait();
    EXPECT_EQ(Text(b, Column::FileColumn), "a;b;");
    EXPECT_EQ(PrinterTable[b].jobCount, 2);
    EXPECT_EQ(Text(b, Column::StatusColumn), "打印暂停中...");
    EXPECT_EQ(Text(Row("Photo-A"), Column::FileColumn), "...");

    // Nothing runs while a dispatch is busy.
    ASSERT_TRUE(m_cups.Run("cancel", {"-a", "Photo-B"}));
    DispatchBusy = true;
    TickAndWait();
    EXPECT_EQ(Text(b, Column::FileColumn), "a;b;");
    DispatchBusy = false;

    // F5 empties the default papers; the pass it starts fills them again.
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &f5);
    EXPECT_EQ(Text(b, Column::PaperColumn), "");
    m_window->Registry().WaitIdle();
    EXPECT_EQ(Text(b, Column::PaperColumn), "Letter");
    EXPECT_EQ(Text(b, Column::FileColumn), "...");

    // A queue deleted meanwhile keeps its row and values; the passes go on.
    const int a = Row("Photo-A");
    ASSERT_TRUE(m_cups.SetEnabled("Photo-A", false));
    ASSERT_TRUE(m_cups.Submit("Photo-A", m_cups.Root() / "page.txt", "c"));
    TickAndWait();
    EXPECT_EQ(Text(a, Column::FileColumn), "c;");
    ASSERT_TRUE(m_cups.DeleteQueue("Photo-A"));
    ASSERT_TRUE(m_cups.SetEnabled("Photo-B", false));
    TickAndWait();
    TickAndWait();
    EXPECT_EQ(List().RowCount(), 3);
    EXPECT_EQ(Text(a, Column::NameColumn), "Photo-A");
    EXPECT_EQ(Text(a, Column::FileColumn), "c;");
    EXPECT_EQ(Text(a, Column::StatusColumn), "打印暂停中...");
    EXPECT_EQ(PrinterTable[a].jobCount, 1);
    EXPECT_EQ(Text(b, Column::StatusColumn), "打印暂停中...") << "stopped, though nothing waits";
}

TEST_F(WindowOverCups, StoppedOrHungDaemonKeepsTheWindowResponsive)
{
    TickAndWait();
    std::chrono::milliseconds longestPass{0};
    std::chrono::milliseconds longestStall{0};
    auto passesWhileGone = [&] {
        for (int pass = 0; pass < 3; ++pass) {
            longestStall = std::max(longestStall, TickAndWait());
            longestPass = std::max(longestPass, m_window->Registry().LastPass());
            for (int row = 0; row < 3; ++row)
                EXPECT_EQ(Text(row, Column::StatusColumn), "不能获取状态") << row;
        }
    };

    m_cups.Stop();
    passesWhileGone();
    const auto stoppedPass = longestPass;

    ASSERT_TRUE(m_cups.Start());
    QThread::msleep(3100); // past the spooler's hold after a failure
    TickAndWait();
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Text(row, Column::StatusColumn), "空闲") << row;

    m_cups.Freeze();
    passesWhileGone();
    m_cups.Thaw();
    QThread::msleep(3100);
    TickAndWait();
    EXPECT_EQ(Text(0, Column::StatusColumn), "空闲");

    std::cout << "longest refresh pass, daemon stopped: " << stoppedPass.count()
              << " ms; daemon hung: " << longestPass.count()
              << " ms; longest the window waited for its events: " << longestStall.count() << " ms\n";
    RecordProperty("longest_pass_daemon_stopped_ms", static_cast<int>(stoppedPass.count()));
    RecordProperty("longest_pass_daemon_hung_ms", static_cast<int>(longestPass.count()));
    RecordProperty("longest_window_stall_ms", static_cast<int>(longestStall.count()));
}

} // namespace
