#include "desk/CrashRecovery.h"

#include "desk/Locks.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/SysValues.h"

namespace {

const QString kSection = QStringLiteral("System");
const QString kStart = QStringLiteral("Start");

bool SysValueIs(const QString &key, const QString &expected)
{
    return ReadSysValue(kSection, key) == expected;
}

// The printers that printed before the crash (their counts come back from
// the print record) are the ones the operator had chosen. Printers the
// operator checked since the start stay checked and counted: recovery can
// come after the first jobs went out, before any of them was counted, and a
// count of zero would stop every dispatch. False when a refresh or dispatch
// holds the table: the window never waits for it, and recovery tries again
// on the next tick.
bool RecheckPrintersThatPrinted(PrinterListModel &printerList)
{
    std::vector<int> rows;
    {
        std::unique_lock lock(printer_table_cs, std::try_to_lock);
        if (!lock)
            return false;
        int selected = 0;
        for (size_t i = 0; i < PrinterTable.size(); ++i) {
            PrinterEntry &entry = PrinterTable[i];
            if (entry.printedCount > 0 && !EntryChecked(entry)) {
                SetEntryChecked(entry, true);
                rows.push_back(static_cast<int>(i));
            }
            selected += EntryChecked(entry) ? 1 : 0;
        }
        SelectedPrinterCount = selected;
        if (selected > 0)
            NoPrinterEverChecked = false;
    }
    // The list's check marks are set outside the lock: their handlers take it themselves.
    for (const int row : rows)
        printerList.SetChecked(row, true);
    return true;
}

void Run(const std::function<void()> &hook)
{
    if (hook)
        hook();
}

} // namespace

bool RecoveryDue(bool recoveryPending, int tickCount)
{
    return PrintedListReady && recoveryPending && tickCount > 10 && !PendingScanRunning;
}

bool RecoverAfterCrash(PrinterListModel &printerList, const RecoveryHooks &hooks)
{
    if (SysValueIs(QStringLiteral("AutoPrint"), kStart)) {
        if (SysValueIs(QStringLiteral("ChoosePrinter"), QStringLiteral("True")) && !RecheckPrintersThatPrinted(printerList))
            return false;
        Run(hooks.showAutoPrintStarted);
        Run(hooks.prepareAutoPrint);
        AutoPrintRunning = true;
    }
    if (SysValueIs(QStringLiteral("AutoAddPrint"), kStart))
        Run(hooks.startAutoReprint);
    WriteRunLog(QStringLiteral("完成崩溃恢复"));
    return true;
}
