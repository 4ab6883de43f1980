#pragma once

#include <functional>

class PrinterListModel;

// What a crash recovery needs from the pages; an empty function is a piece
// the program does not have yet, and recovery goes on without it.
struct RecoveryHooks
{
    // Show automatic printing as started on the print manager page.
    std::function<void()> showAutoPrintStarted;
    // Reload the frame template settings, take the paper size, prepare the
    // print thread slots and start the combination reprint session, as the
    // start of automatic printing does.
    std::function<void()> prepareAutoPrint;
    // Start automatic reprint as its check box does; the box shows that it runs.
    std::function<void()> startAutoReprint;
};

// The moment to recover: the previous run did not close in order, the
// printed list has been rebuilt and no pending-folder scan is walking, and
// at least eleven ticks of the main window's one-second timer have passed.
bool RecoveryDue(bool recoveryPending, int tickCount);

// Restores the printer choice and restarts automatic printing and automatic
// reprint as the state file says they were. The caller clears its pending
// flag when this returns true, so it runs at most once per run; false, with
// nothing changed, while another thread holds the printer table.
bool RecoverAfterCrash(PrinterListModel &printerList, const RecoveryHooks &hooks);
