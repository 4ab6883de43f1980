#pragma once

#include "desk/PrinterTable.h"
#include "platform/Spooler.h"
#include "tests/support/FreshState.h"
#include "tests/support/ProgramFolder.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// A program folder with Config/LOG, the process-wide state as a fresh start
// leaves it, pauses scaled down, and print jobs asking `spooler`. The
// run log's clock advances one millisecond per reading, so every entry keeps
// a section of its own and the log reads back in the order it was written.
// Waits for every print thread before it lets go of what they use.
class PrintHarness
{
public:
    PrintHarness(std::shared_ptr<Spooler> spooler, double pauseScale);
    ~PrintHarness();
    PrintHarness(const PrintHarness &) = delete;
    PrintHarness &operator=(const PrintHarness &) = delete;

    // Appends an entry (checked or not) and recounts the checked ones.
    void AddPrinter(const QString &name, bool checked, int32_t jobCount = 0, int32_t workMode = 0);
    // Until print threads and dispatch hold-overs have ended; false when they do not in time.
    static bool WaitForPrintThreads(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The texts of today's run-log entries, oldest first.
    static QStringList RunLog();

    // Fresh before the harness starts and again once its print threads have ended.
    FreshState state;
    ProgramFolder folder;
};
