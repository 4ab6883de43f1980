#include "printing/PrintDispatcher.h"

#include "desk/Locks.h"
#include "desk/PrintThreadSlots.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "platform/Pause.h"
#include "printing/PrintJob.h"

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The job count of the last checked printer a dispatch looked at.
std::atomic<int32_t> g_lastJobCountSeen{0};

// How long a dispatch waits for a refresh pass to let go of the printer
// table before it gives up; the caller tries again on its next round.
constexpr auto kTableWait = 100ms;
constexpr auto kTableRetry = 2ms;
// How long a dispatch stays busy after it started a job, so the job takes
// its turn before the next refresh or dispatch.
constexpr auto kStartHold = 1000ms;

struct Choice
{
    int index = 0;
    QString name;
};

// A printer the operator chose that can print now; a stopped, refusing,
// paper-less, offline or open one would only keep the photo waiting.
bool Usable(const PrinterEntry &entry)
{
    return EntryChecked(entry) && EntryCanPrint(entry);
}

// The first usable printer with an empty queue that takes this kind of job.
Choice Walk(int32_t excludedMode)
{
    Choice choice;
    for (int index = 0; index < static_cast<int>(PrinterTable.size()); ++index) {
        const PrinterEntry &entry = PrinterTable[index];
        if (!Usable(entry))
            continue;
        const int32_t jobs = EntryJobCount(entry);
        if (jobs <= 0 && EntryWorkMode(entry) != excludedMode) {
            choice = {index, entry.name};
            g_lastJobCountSeen = 0;
            break;
        }
        g_lastJobCountSeen = jobs;
    }
    return choice;
}

// With a single checked printer, that printer prints whatever its work mode.
void OnePrinterRule(Choice &choice)
{
    if (SelectedPrinterCount != 1 || choice.index >= static_cast<int>(PrinterTable.size()))
        return;
    const PrinterEntry &entry = PrinterTable[choice.index];
    if (!Usable(entry))
        return;
    const int32_t jobs = EntryJobCount(entry);
    g_lastJobCountSeen = jobs;
    if (jobs <= 0)
        choice.name = entry.name;
}

// The printer to use, or an empty name. Nothing when the table stayed locked.
std::optional<Choice> Choose(int32_t excludedMode)
{
    std::unique_lock table(printer_table_cs, std::try_to_lock);
    const auto deadline = std::chrono::steady_clock::now() + kTableWait;
    while (!table.owns_lock() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kTableRetry);
        table.try_lock();
    }
    if (!table.owns_lock())
        return std::nullopt;
    Choice choice = Walk(excludedMode);
    OnePrinterRule(choice);
    PrintersBusy = g_lastJobCountSeen > 1;
    return choice;
}

void KeepSlot(int index, const PrintThread &thread)
{
    if (PrintThreadHandles && index < static_cast<int>(PrintThreadHandles->size()))
        (*PrintThreadHandles)[index] = thread.handle;
    if (PrintThreadIds && index < static_cast<int>(PrintThreadIds->size()))
        (*PrintThreadIds)[index] = thread.id;
}

void ClearDispatchBusyLater()
{
    if (!StartPrintThread([] {
            Pause(kStartHold);
            DispatchBusy = false;
        }))
        DispatchBusy = false;
}

} // namespace

bool DispatchPhoto(const std::filesystem::path &picturePath, int copies, const QString &pictureName,
                   int32_t excludedMode, int64_t handOver, std::function<bool(PrintJobParams::Outcome, int)> answered)
{
    WriteRunLog(QStringLiteral("分配打印机打印照片"));
    bool idle = false;
    if (CloseQuestionOpen || !DispatchBusy.compare_exchange_strong(idle, true))
        return false;

    const auto choice = Choose(excludedMode);
    if (!choice || choice->name.isEmpty() || SelectedPrinterCount < 1) {
        DispatchBusy = false;
        return false;
    }

    auto params = std::make_unique<PrintJobParams>();
    params->printerIndex = choice->index;
    params->printerName = choice->name;
    params->pictureName = pictureName;
    params->picturePath = picturePath;
    params->copies = copies;
    params->handOver = handOver;
    params->answered = std::move(answered);
    CheckThreadTables();
    WriteRunLog(QStringLiteral("创建打印子线程"));
    AddEntryJobCount(PrinterTable[choice->index], copies);

    const auto thread = StartPrintJob(std::move(params));
    if (thread)
        KeepSlot(choice->index, *thread);
    ClearDispatchBusyLater();
    return thread.has_value();
}
