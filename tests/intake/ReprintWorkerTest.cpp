#include "desk/Locks.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/ProcessState.h"
#include "desk/WorkingFolders.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintListModel.h"
#include "intake/ReprintState.h"
#include "intake/ReprintWorker.h"
#include "printing/WorkMode.h"
#include "tests/printing/PrintHarness.h"
#include "tests/support/FakeSpooler.h"


#include <QImage>

#include <gtest/gtest.h>

#include <future>
#include <thread>

// One pass of the reprint worker over a fake spooler: which rows it prints,
// keeps or drops, and what the printed list and the counters say afterwards.
TEST(ReprintWorkerPass, PrintsKeepsOrDropsRowZero)
{
    const struct
    {
        const char *what;
        int printers;
        int32_t mode;
        int phase;
        const char *id;
        const char *quantity;
        int jobCount;             // first printer's job count afterwards: copies dispatched
        const char *printedAfter; // printed row 0's quantity
        QStringList rowsAfter;    // quantities of the rows left
    } cases[] = {
        {"one printer: all copies as one job", 1, WorkModeRandom, 2, "0", "3", 3, "4", {"1"}},
        {"a printer for reprints only", 1, WorkModeReprint, 2, "0", "3", 3, "4", {"1"}},
        {"not the reprint phase", 1, WorkModeRandom, 1, "0", "3", 0, "1", {"3", "1"}},
        {"printer kept for new photos", 1, WorkModeNew, 2, "0", "3", 0, "1", {"3", "1"}},
        {"printer on standby", 1, WorkModeStandby, 2, "0", "3", 0, "1", {"3", "1"}},
        {"nothing left to print", 1, WorkModeRandom, 2, "0", "0", 0, "1", {"1"}},
        {"no printed row: dropped, not stuck on top", 1, WorkModeRandom, 2, "-1", "3", 0, "1", {"1"}},
        {"two printers: a single copy first", 2, WorkModeRandom, 2, "0", "3", 1, "2", {"2", "1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        // Two printers: the pauses after a copy leave room to end the phase in between.
        PrintHarness harness(FakeSpooler::PrintingEverything(), c.printers > 1 ? 0.1 : 0.01);
        CreateWorkingFolders();
        // A photo that cannot be read prints nothing and counts nothing.
        QImage photo(30, 20, QImage::Format_RGB32);
        photo.fill(Qt::green);
        ASSERT_TRUE(photo.save(QStringLiteral("Pic_R/1234.jpg")));
        for (int printer = 0; printer < c.printers; ++printer)
            harness.AddPrinter(QStringLiteral("Photo-%1").arg(printer), true, 0, c.mode);
        PhotoListModel printed(PhotoListModel::PrintedHeaders(), QSize(9, 6));
        printed.InsertRow(0, {QString(), "1", "1234", "Pic_R/1234.jpg", "1"}, "Pic_R/1234.jpg");
        ReprintListModel reprints;
        reprints.InsertRow(0, {c.id, "1234", "Pic_R/1234.jpg", c.quantity});
        reprints.InsertRow(1, {"0", "1234", "Pic_R/1234.jpg", "1"});
        ReprintFileCount = 2;
        ReprintTotalCount = 1 + QString::fromUtf8(c.quantity).toInt();
        PrintCyclePhase = c.phase;

        ReprintWorker worker(printed, reprints);
        if (c.printers > 1) {
            // The pass goes on while the phase lasts; here it ends once the first copy left the row.
            std::thread phaseEnd([&reprints, &c] {
                while (reprints.Row(0) && reprints.Row(0)->quantity == QString::fromUtf8(c.quantity))
                    std::this_thread::yield();
                PrintCyclePhase = 3;
            });
            worker.RunPass();
            phaseEnd.join();
        } else {
            worker.RunPass();
        }
        EXPECT_FALSE(ReprintWorkerBusy);
        EXPECT_EQ(EntryJobCount(PrinterTable[0]), c.jobCount);
        // The printed quantity grows once the spooler has accepted the copies.
        EXPECT_TRUE(PrintHarness::WaitForPrintThreads());
        EXPECT_EQ(printed.Text(0, 1), QString::fromUtf8(c.printedAfter));
        QStringList left;
        int total = 0;
        for (const ReprintRow &row : reprints.Rows()) {
            left.append(row.quantity);
            total += row.quantity.toInt();
        }
        EXPECT_EQ(left, c.rowsAfter);
        EXPECT_EQ(ReprintFileCount, c.rowsAfter.size());
        EXPECT_EQ(ReprintTotalCount, total);
        EXPECT_TRUE(PrintHarness::WaitForPrintThreads());
    }
    PrintCyclePhase = 0;
    ReprintFileCount = 0;
    ReprintTotalCount = 0;
}

// The double click runs on the window's thread: while a refresh pass holds
// the printer table, it returns at once and leaves the row; afterwards it prints.
TEST(ReprintOnStandby, NeverWaitsForThePrinterTable)
{
    PrintHarness harness(FakeSpooler::PrintingEverything(), 0.01);
    CreateWorkingFolders();
    harness.AddPrinter(QStringLiteral("Standby"), true, 0, WorkModeStandby);
    StandbyInUse = true;
    ReprintListModel reprints;
    reprints.InsertRow(0, {"0", "1234", "Pic_R/1234.jpg", "2"});

    std::promise<void> held;
    std::thread pass([&] {
        const std::lock_guard table(printer_table_cs);
        held.set_value();
        std::this_thread::sleep_for(std::chrono::seconds(1));
    });
    held.get_future().wait();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(PrintReprintRowOnStandby(reprints, 0));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_EQ(reprints.RowCount(), 1);
    pass.join();

    EXPECT_TRUE(PrintReprintRowOnStandby(reprints, 0));
    EXPECT_EQ(reprints.RowCount(), 0);
    EXPECT_TRUE(PrintHarness::WaitForPrintThreads());
    StandbyInUse = false;
}
