#include "intake/ReprintWorker.h"

#include "desk/Locks.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintRecords.h"
#include "intake/ReprintState.h"
#include "platform/CrashPoint.h"
#include "platform/DecimalText.h"
#include "platform/Pause.h"
#include "printing/HandOver.h"
#include "printing/PrintDispatcher.h"
#include "printing/WorkMode.h"

#include <algorithm>
#include <functional>
#include <optional>

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

void AddToPrintedQuantity(PhotoListModel &printed, int printedRow, int copies)
{
    const int current = DecimalValue(printed.Text(printedRow, PrintedQuantityColumn));
    printed.SetText(printedRow, PrintedQuantityColumn, QString::number(current + copies));
}

// Copies that did not print come back to the top of the list.
void ReturnCopies(ReprintListModel &reprints, const ReprintRow &row, int copies, int64_t handOver)
{
    const std::lock_guard fileLock(reprint_file_cs);
    reprints.InsertRow(0, {row.id, row.name, row.path, QString::number(copies)});
    WriteRunLog(QStringLiteral("补打未被打印，重新排队:") + row.name);
    MarkReprintHandOver(QLatin1Char('r'), handOver);
    ReprintListChanged(reprints);
}

// The print job's way back to the lists its answer changes: both stand while
// it runs, or it does not run at all.
class ListsHold final
{
public:
    ListsHold(const ReprintListModel &reprints, const PhotoListModel *printed)
        : m_reprints(reprints.Holder())
        , m_printed(printed ? std::optional(printed->Holder()) : std::nullopt)
    {
    }

    template <typename Call> bool Run(Call &&call) const
    {
        bool ran = false;
        m_reprints.Run([&] {
            if (m_printed) {
                ran = m_printed->Run(call);
            } else {
                call();
                ran = true;
            }
        });
        return ran;
    }

private:
    Lifeline::Hold m_reprints;
    std::optional<Lifeline::Hold> m_printed;
};

// Hands `copies` copies of `row` to a printer as one job that carries a
// journalled hand-over. Once the job runs, `takeOff` changes the list (under
// the file lock, so no other save writes the list half-changed) and the list
// is saved with the hand-over's mark. The copies count on the printed list
// (`printed`, when given) only once the spooler accepted them; copies it did
// not accept come back. True when the job runs.
bool HandOutCopies(ReprintListModel &reprints, PhotoListModel *printed, const ReprintRow &row, int printedRow,
                   int copies, const std::function<void()> &takeOff)
{
    const std::lock_guard fileLock(reprint_file_cs);
    const int64_t handOver = HandOver::Open(HandOver::Kind::Reprint, copies, row.name, row.path);
    const auto answered = [lists = ListsHold(reprints, printed), &reprints, printed, row, printedRow, copies,
                           handOver](PrintJobParams::Outcome outcome, int printedCopies) {
        return lists.Run([&] {
            int back = 0;
            if (outcome == PrintJobParams::Outcome::Accepted) {
                if (printed)
                    AddToPrintedQuantity(*printed, printedRow, printedCopies);
                back = copies - printedCopies;
            } else if (outcome == PrintJobParams::Outcome::NotAccepted) {
                back = copies;
            }
            if (back > 0)
                ReturnCopies(reprints, row, back, handOver);
        });
    };
    if (!DispatchPhoto(row.path.toStdString(), copies, row.name, ExcludedMode, handOver, answered)) {
        HandOver::Done(handOver);
        return false;
    }
    takeOff();
    MarkReprintHandOver(QLatin1Char('h'), handOver);
    SaveReprintList(reprints);
    CrashPoint("after-reprint-handout");
    return true;
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
    // Saved at once, so a restart within the pause does not print the row again.
    if (PrintCyclePhase != ReprintPhase || !HandOutCopies(m_reprints, &m_printed, row, printedRow, quantity, [&] {
            m_reprints.SetTextOf(key, ReprintListModel::QuantityColumn, QStringLiteral("0"));
        }))
        return false;
    Pause(RowDoneShown);
    return true;
}

bool ReprintWorker::PrintSingleCopies(ReprintListModel::Key key, const ReprintRow &row, int printedRow,
                                      int quantity)
{
    int left = quantity;
    while (left > 0) {
        // A worker asked to stop leaves the copies still to print in the list.
        bool rowKept = true;
        if (WorkerStopRequested() || PrintersBusy || PrintCyclePhase != ReprintPhase ||
            !HandOutCopies(m_reprints, &m_printed, row, printedRow, 1, [&] {
                --left;
                rowKept = m_reprints.SetTextOf(key, ReprintListModel::QuantityColumn, QString::number(left));
            }))
            break;
        if (!rowKept)
            return false; // deleted by the operator meanwhile
        Pause(CopySettle);
        Pause(CopyGap);
    }
    return left == 0;
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
    return HandOutCopies(reprints, nullptr, texts, DecimalValue(texts.id), quantity, [&] { reprints.RemoveRowOf(key); });
}
