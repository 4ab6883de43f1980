#include "desk/CrashRecovery.h"
#include "desk/Locks.h"
#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/ShutdownMarker.h"
#include "desk/SysValues.h"
#include "desk/WorkingFolders.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "tests/support/FreshState.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <thread>

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(14, 3, 9, 250));

struct PreviousRun
{
    const char *name;
    std::map<QString, QString> sysValues; // keys of section "System"; a missing key reads "Error"
    bool expectRecovery;
    std::vector<bool> expectChecked;     // printers printed 0, 2 and 1 copies before the crash
    bool expectAutoPrintRunning;
    bool expectAutoReprintStarted;
    std::vector<bool> checkedBefore{false, false, false}; // checked by the operator before recovery ran
};

struct Calls
{
    int showStarted = 0;
    int prepare = 0;
    int autoReprint = 0;
};

class FixedClock final
{
public:
    FixedClock() { Clock::Fix([] { return kNow; }); }
    ~FixedClock() { Clock::Reset(); }
};

// A program start whose printed list has been restored.
void FreshStartWithListsReady()
{
    ResetProcessWideState();
    PrintedListReady = true;
}

void AddPrinters(PrinterListModel &list, const std::vector<bool> &checked = {false, false, false})
{
    for (const int printed : {0, 2, 1}) {
        PrinterEntry entry;
        entry.name = QStringLiteral("Photo-%1").arg(PrinterTable.size());
        entry.printedCount = printed;
        entry.checked = checked[PrinterTable.size()];
        list.AppendRow({entry.name, entry.statusText, QStringLiteral("NULL"), QString::number(printed),
                        QStringLiteral("0"), QStringLiteral("A4")});
        list.SetChecked(static_cast<int>(PrinterTable.size()), entry.checked);
        PrinterTable.push_back(entry);
        SelectedPrinterCount += entry.checked ? 1 : 0;
    }
}

QString LogEntryNow()
{
    return LastRunLogEntry(kNow);
}

} // namespace

TEST(CrashRecovery, RestoresWhatThePreviousRunLeftInTheStateFile)
{
    const PreviousRun cases[] = {
        {"orderly_close_never_recovers",
         {{"Action", "Close"}, {"AutoPrint", "Start"}, {"ChoosePrinter", "True"}, {"AutoAddPrint", "Start"}},
         false, {false, false, false}, false, false},
        {"first_start_without_state_file_is_no_crash", {}, false, {false, false, false}, false, false},
        {"state_file_without_marker_is_a_crash",
         {{"AutoPrint", "Start"}, {"ChoosePrinter", "False"}}, true, {false, false, false}, true, false},
        {"crash_while_paused_restarts_only_automatic_reprint",
         {{"Action", "Start"}, {"AutoPrint", "Stop"}, {"ChoosePrinter", "True"}, {"AutoAddPrint", "Start"}},
         true, {false, false, false}, false, true},
        {"chosen_printers_are_those_that_printed",
         {{"Action", "Start"}, {"AutoPrint", "Start"}, {"ChoosePrinter", "True"}, {"AutoAddPrint", "Stop"}},
         true, {false, true, true}, true, false},
        {"no_printer_chosen_still_restarts_printing",
         {{"Action", "Start"}, {"AutoPrint", "Start"}, {"ChoosePrinter", "False"}},
         true, {false, false, false}, true, false},
        // Recovery after the operator checked printers and their first jobs
        // went out, none counted yet: they stay chosen and counted.
        {"printers_checked_meanwhile_stay_chosen",
         {{"Action", "Start"}, {"AutoPrint", "Start"}, {"ChoosePrinter", "True"}},
         true, {true, true, true}, true, false, {true, false, true}},
    };
    for (const PreviousRun &c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramFolder folder;
        const FixedClock clock;
        CreateWorkingFolders();
        FreshStartWithListsReady();
        for (const auto &[key, value] : c.sysValues)
            WriteSysValue(QStringLiteral("System"), key, value);
        PrinterListModel list;
        AddPrinters(list, c.checkedBefore);

        const bool pending = OpenShutdownMarker();
        EXPECT_EQ(pending, c.expectRecovery);
        EXPECT_EQ(ReadSysValue(QStringLiteral("System"), QStringLiteral("Action")).toStdString(), "Start");
        if (!pending)
            continue;

        Calls calls;
        const RecoveryHooks hooks{[&] { ++calls.showStarted; }, [&] { ++calls.prepare; },
                                  [&] { ++calls.autoReprint; }};
        ASSERT_TRUE(RecoverAfterCrash(list, hooks));

        int checked = 0;
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(PrinterTable[row].checked, c.expectChecked[row]) << "row " << row;
            EXPECT_EQ(list.IsChecked(row), c.expectChecked[row]) << "row " << row;
            checked += c.expectChecked[row] ? 1 : 0;
        }
        EXPECT_EQ(SelectedPrinterCount.load(), checked);
        EXPECT_EQ(NoPrinterEverChecked.load(), checked == 0);
        EXPECT_EQ(AutoPrintRunning.load(), c.expectAutoPrintRunning);
        EXPECT_EQ(calls.showStarted, c.expectAutoPrintRunning ? 1 : 0);
        EXPECT_EQ(calls.prepare, c.expectAutoPrintRunning ? 1 : 0);
        EXPECT_EQ(calls.autoReprint, c.expectAutoReprintStarted ? 1 : 0);
        EXPECT_EQ(LogEntryNow().toStdString(), "完成崩溃恢复");
    }
}

// A run that ended while automatic printing ran on chosen printers, with the
// three printers of AddPrinters listed.
void PrepareCrashWhilePrinting(PrinterListModel &list)
{
    CreateWorkingFolders();
    FreshStartWithListsReady();
    WriteSysValue(QStringLiteral("System"), QStringLiteral("AutoPrint"), QStringLiteral("Start"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("ChoosePrinter"), QStringLiteral("True"));
    AddPrinters(list);
}

TEST(CrashRecovery, WaitsWhileAnotherThreadHoldsThePrinterTable)
{
    const ProgramFolder folder;
    PrinterListModel list;
    PrepareCrashWhilePrinting(list);

    std::promise<void> held;
    std::promise<void> release;
    std::thread refresh([&] {
        const std::lock_guard lock(printer_table_cs);
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    EXPECT_FALSE(RecoverAfterCrash(list, {}));
    EXPECT_FALSE(AutoPrintRunning.load());
    EXPECT_FALSE(list.IsChecked(1));
    release.set_value();
    refresh.join();

    EXPECT_TRUE(RecoverAfterCrash(list, {}));
    EXPECT_TRUE(list.IsChecked(1));
    EXPECT_TRUE(AutoPrintRunning.load());
}

TEST(CrashRecovery, WaitsForTheListsAndTheTwelfthTick)
{
    struct Row
    {
        const char *name;
        bool pending, printedListReady, pendingScanRunning;
        int tickCount;
        bool due;
    };
    const Row rows[] = {
        {"eleventh_tick_is_too_early", true, true, false, 10, false},
        {"twelfth_tick", true, true, false, 11, true},
        {"printed_list_still_rebuilding", true, false, false, 500, false},
        {"pending_folder_scan_walking", true, true, true, 500, false},
        {"already_recovered", false, true, false, 500, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        PrintedListReady = r.printedListReady;
        PendingScanRunning = r.pendingScanRunning;
        EXPECT_EQ(RecoveryDue(r.pending, r.tickCount), r.due);
    }
    PrintedListReady = true;
    PendingScanRunning = false;
}

// A first start counts as a crash, and its recovery ticks the printers that
// printed; a printer the operator ticked meanwhile (and that has not printed
// yet) stays ticked, and the count of chosen printers includes it, or
// reprints would wait for a printer "none is chosen".
TEST(CrashRecovery, APrinterTickedBeforeRecoveryStaysCounted)
{
    const ProgramFolder folder;
    const FixedClock clock;
    PrinterListModel list;
    PrepareCrashWhilePrinting(list);
    PrinterTable[0].checked = true; // printed 0 copies so far
    list.SetChecked(0, true);
    SelectedPrinterCount = 1;

    ASSERT_TRUE(RecoverAfterCrash(list, RecoveryHooks{[] {}, [] {}, [] {}}));
    EXPECT_TRUE(list.IsChecked(0));
    EXPECT_EQ(SelectedPrinterCount.load(), 3);
    PrinterTable.clear();
    SelectedPrinterCount = 0;
    AutoPrintRunning = false;
}
