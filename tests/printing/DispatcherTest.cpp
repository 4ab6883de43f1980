#include "desk/Locks.h"
#include "desk/PrintThreadSlots.h"
#include "desk/ProcessState.h"
#include "printing/PrintDispatcher.h"
#include "printing/PrintJob.h"
#include "printing/WorkMode.h"
#include "tests/printing/PrintHarness.h"
#include "tests/support/FakeSpooler.h"

#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct Printer
{
    const char *name;
    bool checked;
    int32_t jobs;
    int32_t mode;
    bool canPrint = true;
};

struct DispatchCase
{
    const char *name;
    std::vector<Printer> printers;
    int32_t excludedMode;
    // Per call, the index of the printer that gets the photo, or -1 for none.
    std::vector<int> chosen;
    // Unset where the walk looks at no checked printer and so keeps what an earlier dispatch saw.
    std::optional<bool> printersBusyAfter = false;
};

class Dispatcher : public testing::TestWithParam<DispatchCase>
{
};

// Printers the spooler no longer knows: their jobs end at once without printing.
std::shared_ptr<FakeSpooler> SpoolerWithoutDevices(const std::vector<Printer> &printers)
{
    auto spooler = std::make_shared<FakeSpooler>();
    for (const Printer &printer : printers) {
        auto fake = FakeSpooler::Printer::Named(printer.name);
        fake.device.reset();
        spooler->Set(fake);
    }
    return spooler;
}

bool WaitUntilIdle()
{
    for (int i = 0; i < 2000 && DispatchBusy; ++i)
        QThread::msleep(5);
    return !DispatchBusy && PrintHarness::WaitForPrintThreads();
}

TEST_P(Dispatcher, PicksReservesAndStartsJobs)
{
    const DispatchCase &test = GetParam();
    PrintHarness h(SpoolerWithoutDevices(test.printers), 0.001);
    for (const Printer &printer : test.printers) {
        h.AddPrinter(printer.name, printer.checked, printer.jobs, printer.mode);
        PrinterTable.back().canPrint = printer.canPrint;
    }

    for (size_t call = 0; call < test.chosen.size(); ++call) {
        std::vector<int32_t> before;
        for (const PrinterEntry &entry : PrinterTable)
            before.push_back(entry.jobCount);
        const int expected = test.chosen[call];
        const int copies = static_cast<int>(call) + 1;

        EXPECT_EQ(DispatchPhoto("Pic_R/a.jpg", copies, "a.jpg", test.excludedMode), expected >= 0) << "call " << call;
        ASSERT_TRUE(WaitUntilIdle());
        for (size_t i = 0; i < PrinterTable.size(); ++i) {
            const int32_t raised = static_cast<int>(i) == expected ? copies : 0;
            EXPECT_EQ(PrinterTable[i].jobCount, before[i] + raised) << "call " << call << " printer " << i;
        }
        if (expected >= 0) {
            EXPECT_TRUE((*PrintThreadHandles)[expected].has_value()) << "call " << call;
        }
    }
    if (test.printersBusyAfter) {
        EXPECT_EQ(PrintersBusy, *test.printersBusyAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Walk, Dispatcher,
    testing::Values(
        DispatchCase{"two_idle_printers_then_none",
                     {{"Upper", true, 0, WorkModeRandom}, {"Lower", true, 0, WorkModeRandom}},
                     WorkModeReprint,
                     {0, 1, -1},
                     true},
        DispatchCase{"unchecked_and_excluded_printers_are_passed",
                     {{"Off", false, 0, WorkModeRandom}, {"NewOnly", true, 0, WorkModeNew}, {"Any", true, 0, WorkModeRandom}},
                     WorkModeNew,
                     {2, -1}},
        DispatchCase{"standby_above_random_takes_the_photo",
                     {{"Standby", true, 0, WorkModeStandby}, {"Random", true, 0, WorkModeRandom}},
                     WorkModeReprint,
                     {0, 1}},
        DispatchCase{"single_checked_first_printer_prints_in_any_mode",
                     {{"ReprintOnly", true, 0, WorkModeReprint}, {"Off", false, 0, WorkModeRandom}},
                     WorkModeReprint,
                     {0, -1}},
        DispatchCase{"single_checked_printer_below_the_first_is_not_taken",
                     {{"Off", false, 0, WorkModeRandom}, {"ReprintOnly", true, 0, WorkModeReprint}},
                     WorkModeReprint,
                     {-1}},
        DispatchCase{"a_queue_of_two_sets_printers_busy",
                     {{"Queued", true, 2, WorkModeRandom}},
                     WorkModeReprint,
                     {-1},
                     true},
        DispatchCase{"a_printer_that_cannot_print_is_passed",
                     {{"Stopped", true, 0, WorkModeRandom, false}, {"Lower", true, 0, WorkModeRandom}},
                     WorkModeReprint,
                     {1, -1}},
        DispatchCase{"single_checked_printer_that_cannot_print_is_not_taken",
                     {{"Stopped", true, 0, WorkModeReprint, false}},
                     WorkModeReprint,
                     {-1}},
        DispatchCase{"nothing_checked", {{"Off", false, 0, WorkModeRandom}}, WorkModeReprint, {-1}, std::nullopt}),
    [](const testing::TestParamInfo<DispatchCase> &info) { return std::string(info.param.name); });

TEST(DispatcherState, BusyDispatchReturnsAtOnceAfterItsLogEntry)
{
    PrintHarness h(SpoolerWithoutDevices({{"A", true, 0, 0}}), 0.001);
    h.AddPrinter("A", true);
    DispatchBusy = true;
    EXPECT_FALSE(DispatchPhoto("Pic_R/a.jpg", 1, "a.jpg", WorkModeReprint));
    EXPECT_EQ(PrintHarness::RunLog(), QStringList{"分配打印机打印照片"});
    EXPECT_EQ(PrinterTable[0].jobCount, 0);
    EXPECT_TRUE(DispatchBusy);
    DispatchBusy = false;

    // A dispatch that found nothing leaves the next one free to run.
    PrinterTable[0].jobCount = 1;
    EXPECT_FALSE(DispatchPhoto("Pic_R/a.jpg", 1, "a.jpg", WorkModeReprint));
    EXPECT_FALSE(DispatchBusy);
    PrinterTable[0].jobCount = 0;
    EXPECT_TRUE(DispatchPhoto("Pic_R/a.jpg", 1, "a.jpg", WorkModeReprint));
}

TEST(DispatcherState, CallerWaitsNeitherForTheStartPauseNorForABusyTable)
{
    PrintHarness h(SpoolerWithoutDevices({{"A", true, 0, 0}, {"B", true, 0, 0}}), 1.0);
    PrintDelaySeconds = 0;
    h.AddPrinter("A", true);
    h.AddPrinter("B", true);

    // The job waits for its turn; the dispatch has already returned and stays
    // busy for its second on another thread.
    std::unique_lock printing(print_thread_cs);
    ASSERT_TRUE(DispatchPhoto("Pic_R/a.jpg", 1, "a.jpg", WorkModeReprint));
    EXPECT_TRUE(DispatchBusy);
    EXPECT_FALSE(DispatchPhoto("Pic_R/b.jpg", 1, "b.jpg", WorkModeReprint)) << "still busy";
    for (int i = 0; i < 400 && DispatchBusy; ++i)
        QThread::msleep(10);
    EXPECT_FALSE(DispatchBusy) << "cleared after the start pause while the job still waits";
    printing.unlock();
    ASSERT_TRUE(PrintHarness::WaitForPrintThreads());

    // A refresh pass holding the printer table: the dispatch gives up instead of waiting for it.
    std::thread refresh([] {
        const std::lock_guard table(printer_table_cs);
        QThread::msleep(1500);
    });
    QThread::msleep(50);
    EXPECT_FALSE(DispatchPhoto("Pic_R/b.jpg", 1, "b.jpg", WorkModeReprint));
    EXPECT_FALSE(DispatchBusy);
    EXPECT_EQ(PrinterTable[1].jobCount, 0);
    refresh.join();
}

TEST(DispatcherState, StoppingThePrintThreadsEndsAJobInItsDelayWithoutPrinting)
{
    auto spooler = std::make_shared<FakeSpooler>();
    spooler->Set(FakeSpooler::Printer::Named(QStringLiteral("A")));
    spooler->AcceptDocuments(true);
    PrintHarness h(spooler, 1.0);
    PrintDelaySeconds = 30;
    h.AddPrinter("A", true);

    ASSERT_TRUE(DispatchPhoto("Pic_R/a.jpg", 1, "a.jpg", WorkModeReprint));
    for (int i = 0; i < 200 && !PrintingNow; ++i)
        QThread::msleep(10);
    ASSERT_TRUE(PrintingNow) << "the job is in its print delay";

    const auto start = std::chrono::steady_clock::now();
    StopPrintThreads();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(PrintThreadsRunning(), 0) << "the job and the dispatch hold-over were joined";
    EXPECT_TRUE(spooler->Documents().empty()) << "nothing was sent";
    EXPECT_FALSE(PrintingNow);
    EXPECT_FALSE(DispatchBusy);
    EXPECT_TRUE(print_thread_cs.try_lock()) << "the turn was given up";
    print_thread_cs.unlock();
}

} // namespace
