#include "intake/ReprintWorker.h"

#include "desk/Locks.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintRecords.h"
#include "intake/ReprintState.h"
#include "platform/DecimalText.h"
#include "platform/Pause.h"
#include "printing/PrintDispatcher.h"
#include "printing/WorkMode.h"

#include <algorithm>
#include <functional>

using namespace std::chrono_literals;

namespace {

constexpr int PrintedQuantityColumn = 1;
// Reprints go to every printer but those kept for new photos.
constexpr int32_t ExcludedMode = WorkModeNew;
constexpr int ReprintPhase = 2;

// Lets the dispatched job start and the operator see the row's last state.
constexpr auto RowDoneShown = 1000ms;
constexpr auto CopySettle = 100ms;
constexpr auto CopyGap = 1000ms;
constexpr auto RemovedSettle = 30ms;

bool AnyIdleChecked(const std::function<bool(int32_t mode)> &modeFits)
{
    return std::any_of(PrinterTable.begin(), PrinterTable.end(), [&](const PrinterEntry &entry) {
        return EntryChecked(entry) && EntryJobCount(entry) < 1 && modeFits(EntryWorkMode(entry));
    });
}

} // namespace

ReprintWorker::ReprintWorker(PhotoListModel &printed, ReprintListModel &reprints)
    : m_printed(printed)
    , m_reprints(reprints)
{
}

ReprintWorker::~ReprintWorker()
{
    m_workers.StopAndJoin();
}

bool ReprintWorker::Start()
{
    if (ReprintListBusy || ReprintFileCount < 1 || ReprintWorkerBusy || SelectedPrinterCount < 1)
        return false;
    // One pass at a time: a pass may outlast a tick while it prints single copies.
    int idle = 0;
    if (!m_running.compare_exchange_strong(idle, 1))
        return false;
    ++ReprintWorkerCount;
    m_workers.Start([this] {
        RunPass();
        --ReprintWorkerCount;
        --m_running;
    });
    return true;
}

void ReprintWorker::RunPass()
{
    WriteRunLog(QStringLiteral("开始补打印图片线程"));
    const auto first = m_reprints.KeyedRow(0);
    if (!ReprintListBusy && first) {
        ReprintWorkerBusy = true;
        const auto &[key, row] = *first;
        const int quantity = DecimalValue(row.quantity);
        if (!WorkerStopRequested() && PrinterTakesReprintsNow() && !DispatchSuspended()) {
            PrintingName.Set(row.name);
            const int printedRow = DecimalValue(row.id);
            // A row that cannot be printed or counted must not hold up the rows behind it.
            bool done = true;
            if (quantity >= 1 && printedRow >= 0)
                done = SelectedPrinterCount < 2 ? PrintAllCopiesAtOnce(key, row, printedRow, quantity)
                                                : PrintSingleCopies(key, row, printedRow, quantity);
            if (done)
                RemoveRow(key);
        }
        ReprintWorkerBusy = false;
    }
    WriteRunLog(QStringLiteral("增加补打线程结束"));
}

bool ReprintWorker::PrinterTakesReprintsNow() const
{
    const std::lock_guard table(printer_table_cs);
    return PrintCyclePhase == ReprintPhase &&
           AnyIdleChecked([](int32_t mode) { return mode != WorkModeNew && mode != WorkModeStandby; });
}

bool ReprintWorker::PrintAllCopiesAtOnce(ReprintListModel::Key key, const ReprintRow &row, int printedRow,
                                         int quantity)
{
    if (PrintCyclePhase != ReprintPhase || !DispatchPhoto(row.path.toStdString(), quantity, row.name, ExcludedMode))
        return false;
    AddToPrintedQuantity(printedRow, quantity);
    // Saved at once, so a restart within the pause does not print the row again.
    m_reprints.SetTextOf(key, ReprintListModel::QuantityColumn, QStringLiteral("0"));
    SaveReprintList(m_reprints);
    Pause(RowDoneShown);
    return true;
}

bool ReprintWorker::PrintSingleCopies(ReprintListModel::Key key, const ReprintRow &row, int printedRow,
                                      int quantity)
{
    int left = quantity;
    while (left > 0) {
        // A worker asked to stop leaves the copies still to print in the list.
        if (WorkerStopRequested() || PrintersBusy || PrintCyclePhase != ReprintPhase ||
            !DispatchPhoto(row.path.toStdString(), 1, row.name, ExcludedMode))
            break;
        AddToPrintedQuantity(printedRow, 1);
        --left;
        if (!m_reprints.SetTextOf(key, ReprintListModel::QuantityColumn, QString::number(left)))
            return false; // deleted by the operator meanwhile
        SaveReprintList(m_reprints);
        Pause(CopySettle);
        Pause(CopyGap);
    }
    return left == 0;
}

void ReprintWorker::AddToPrintedQuantity(int printedRow, int copies)
{
    const int current = DecimalValue(m_printed.Text(printedRow, PrintedQuantityColumn));
    m_printed.SetText(printedRow, PrintedQuantityColumn, QString::number(current + copies));
}

void ReprintWorker::RemoveRow(ReprintListModel::Key key)
{
    m_reprints.RemoveRowOf(key);
    ReprintListChanged(m_reprints);
    Pause(RemovedSettle);
}

bool PrintReprintRowOnStandby(ReprintListModel &reprints, int row)
{
    const auto keyed = reprints.KeyedRow(row);
    if (!keyed || !StandbyInUse)
        return false;
    const auto &[key, texts] = *keyed;
    {
        // Runs on the window's thread: a refresh pass holding the table (for
        // as long as a slow spooler takes) makes the click do nothing, never wait.
        const std::unique_lock table(printer_table_cs, std::try_to_lock);
        if (!table.owns_lock() || !AnyIdleChecked([](int32_t mode) { return mode == WorkModeStandby; }))
            return false;
    }
    const int quantity = DecimalValue(texts.quantity);
    if (!DispatchPhoto(texts.path.toStdString(), quantity, texts.name, ExcludedMode))
        return false;
    reprints.RemoveRowOf(key);
    ReprintListChanged(reprints);
    return true;
}
