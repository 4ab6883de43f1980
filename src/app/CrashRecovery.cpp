#include "CrashRecovery.h"

#include "Locks.h"
#include "PrinterListModel.h"
#include "PrinterTable.h"
#include "ProcessState.h"
#include "RunLog.h"
#include "SysValues.h"

namespace {

const QString kSection = QStringLiteral("System");
const QString kStart = QStringLiteral("Start");

bool SysValueIs(const QString &key, const QString &expected)
{
    return ReadSysValue(kSection, key) == expected;
}

// The printers that printed before the crash (their counts come back from
// the print record) are the ones the operator had chosen.
void RecheckPrintersThatPrinted(PrinterListModel &printerList)
{
    SelectedPrinterCount = 0;
    std::vector<int> rows;
    {
        const std::lock_guard lock(printer_table_cs);
        for (size_t i = 0; i < PrinterTable.size(); ++i) {
            PrinterEntry &entry = PrinterTable[i];
            if (entry.printedCount <= 0)
                continue;
            entry.checked = true;
            NoPrinterEverChecked = false;
            ++SelectedPrinterCount;
            rows.push_back(static_cast<int>(i));
        }
    }
    // The list's check marks are set outside the lock: their handlers take it themselves.
    for (const int row : rows)
        printerList.SetChecked(row, true);
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

void RecoverAfterCrash(PrinterListModel &printerList, const RecoveryHooks &hooks)
{
    if (SysValueIs(QStringLiteral("AutoPrint"), kStart)) {
        if (SysValueIs(QStringLiteral("ChoosePrinter"), QStringLiteral("True")))
            RecheckPrintersThatPrinted(printerList);
        Run(hooks.showAutoPrintStarted);
        Run(hooks.prepareAutoPrint);
        AutoPrintRunning = true;
    }
    if (SysValueIs(QStringLiteral("AutoAddPrint"), kStart))
        Run(hooks.startAutoReprint);
    WriteRunLog(QStringLiteral("完成崩溃恢复"));
}
