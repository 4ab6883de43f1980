#include "printing/PrinterRegistry.h"

#include "desk/Locks.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/SysValues.h"
#include "platform/CodePage936.h"
#include "printing/PrinterStatus.h"
#include "printing/PrinterSupply.h"
#include "printing/WorkMode.h"

#include <QDesktopServices>
#include <QTimer>

#include <algorithm>

namespace {

using Column = PrinterListModel::Column;

// How often a phase-one refresh held off by a dispatch looks again.
constexpr std::chrono::milliseconds kHeldRefreshRetry{100};

QString UnreadableState()
{
    return QStringLiteral("不能获取状态");
}

QByteArray QueueDocuments(const std::vector<PrintJobInfo> &jobs)
{
    if (jobs.empty())
        return QByteArrayLiteral("...");
    QByteArray documents;
    for (const PrintJobInfo &job : jobs)
        documents += CodePage936::FromUnicode(job.document) + ';';
    return documents;
}

// The queue's own default paper. (A device URI of any length is a real
// port here: the rule that long or empty ports mean A4 does not hold for CUPS.)
std::optional<QString> DefaultPaperName(Spooler &spooler, const QString &name)
{
    const auto device = GetPrinterDevice(spooler, name);
    if (!device || device->paperName.isEmpty())
        return std::nullopt;
    return device->paperName;
}

} // namespace

PrinterRegistry::PrinterRegistry(Spooler &spooler, PrinterListModel &model, QObject *parent)
    : QObject(parent)
    , m_spooler(spooler)
    , m_model(model)
{
    m_passPool.setMaxThreadCount(1);
    m_paperPool.setMaxThreadCount(1);
    connect(&m_model, &PrinterListModel::CheckChanged, this, &PrinterRegistry::OnCheckChanged);
}

PrinterRegistry::~PrinterRegistry()
{
    WaitIdle();
}

void PrinterRegistry::Enumerate()
{
    PrinterEnumerationRunning = true;
    m_passPool.start([this] {
        QList<QStringList> rows;
        std::vector<PrinterEntry> entries;
        for (const QString &name : m_spooler.EnumeratePrinters().value_or(QStringList())) {
            const auto printer = m_spooler.Open(name);
            if (!printer)
                continue;
            rows.append({name, QueryPrinterStatus(m_spooler, printer, name), QStringLiteral("NULL"),
                         QStringLiteral("0"), QStringLiteral("0"), QString()});
            entries.push_back(PrinterEntry{.name = name});
        }
        // The table grows once, under its lock, so the printed-folder scan
        // restoring the printed counts never reads it while it is resized;
        // that scan waits for this (PrinterEnumerationRunning), however slow
        // the spooler, so no restored count is lost.
        {
            const std::lock_guard table(printer_table_cs);
            PrinterTable.insert(PrinterTable.end(), entries.begin(), entries.end());
        }
        PrinterEnumerationRunning = false;
        // Rows belong to the model's thread; the list is ready once they are in.
        QMetaObject::invokeMethod(
            this,
            [this, rows] {
                for (const QStringList &row : rows)
                    m_model.AppendRow(row);
                m_listReady = true;
                emit Enumerated();
            },
            Qt::QueuedConnection);
    });
}

void PrinterRegistry::RefreshPrinters()
{
    if (!m_listReady)
        return;
    const auto started = std::chrono::steady_clock::now();
    std::unique_lock table(printer_table_cs);
    std::unique_lock printing(print_thread_cs);
    for (int row = 0; row < m_model.RowCount(); ++row)
        RefreshRow(row);
    UpdateNoPrinterChosen();
    table.unlock();
    printing.unlock();
    WriteRunLog(QStringLiteral("完成打印机工作状态"));

    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    m_lastPass = took.count();
    auto longest = m_longestPass.load();
    while (took.count() > longest && !m_longestPass.compare_exchange_weak(longest, took.count())) {
    }
}

void PrinterRegistry::RefreshRow(int row)
{
    if (row >= static_cast<int>(PrinterTable.size()))
        return;
    PrinterEntry &entry = PrinterTable[row];
    const QString name = m_model.Text(row, Column::NameColumn);
    // A printer that cannot be opened keeps its values.
    if (const auto printer = m_spooler.Open(name)) {
        // One reading of the printer and its queue gives the row; the run log
        // still shows the two status queries of a pass (one for a printer set
        // to work offline).
        auto queue = GetPrinterJobs(m_spooler, *printer);
        if (queue && !(queue->info.attributes & PrinterAttributeBit::WorkOffline))
            LogStatusQuery(name);
        if (!queue) {
            // Said on this row, and the pass goes on with the others: a spooler
            // that went away must not leave the other rows showing old states.
            LogStatusQuery(name);
            entry.statusText = UnreadableState();
            SetEntryCanPrint(entry, false);
            ShowEntry(row);
            return;
        }
        LogStatusQuery(name);
        const uint32_t waived = WaivedFaults(name, queue->status);
        queue->status &= ~waived;
        queue->info.status &= ~waived;
        SetEntryJobCount(entry, static_cast<int32_t>(queue->jobs.size()));
        entry.queueDocuments = QueueDocuments(queue->jobs);
        entry.statusText = PrinterStatusText(*queue);
        SetEntryCanPrint(entry, CanPrintNow(queue->info));
        ShowSupply(row, name, ReadPrinterSupply(queue->info.markers));
        LogHeldJobs(row, name, entry);
    }
    if (m_model.Text(row, Column::PaperColumn).isEmpty())
        StartPaperQuery(row, name);
    ShowEntry(row);
}

// A backend that reported the paper out often never takes it back, and CUPS
// keeps the report after the queue was resumed: the operator's "恢复打印机"
// answers the faults reported until then. One that goes away and comes back
// counts again, and so do all once the queue stops again.
uint32_t PrinterRegistry::WaivedFaults(const QString &name, uint32_t status)
{
    const std::lock_guard lock(m_waivedMutex);
    const auto found = m_waivedFaults.find(name);
    if (found == m_waivedFaults.end())
        return 0;
    found->second &= status;
    if (status & PrinterStatusBit::Paused)
        found->second = 0;
    return found->second;
}

void PrinterRegistry::WaiveFaults(const QString &name)
{
    const auto printer = m_spooler.Open(name);
    const auto info = printer ? m_spooler.Information(*printer) : std::nullopt;
    const std::lock_guard lock(m_waivedMutex);
    m_waivedFaults[name] = info ? ReportedFaults(info->status) : 0;
}

void PrinterRegistry::ShowSupply(int row, const QString &name, const PrinterSupply &supply)
{
    const QString text = SupplyText(supply);
    const bool low = SupplyLow(supply);
    m_model.SetText(row, Column::RemainingColumn, text);
    m_model.SetMarked(row, low);
    if (m_lowSaid.size() <= static_cast<size_t>(row))
        m_lowSaid.resize(row + 1, false);
    // Said once when the printer runs low; again only after it was refilled.
    if (low && !m_lowSaid[row])
        emit RunningLow(QStringLiteral("打印机 %1 的纸张或色带快用完了，剩余 %2").arg(name, text));
    m_lowSaid[row] = low;
}

// A queue that stopped with photos in it keeps them until it is resumed; the
// run log says once which queue holds which.
void PrinterRegistry::LogHeldJobs(int row, const QString &name, const PrinterEntry &entry)
{
    if (m_heldLogged.size() <= static_cast<size_t>(row))
        m_heldLogged.resize(row + 1);
    const bool holding = !EntryCanPrint(entry) && EntryJobCount(entry) > 0;
    const QByteArray held = holding ? entry.queueDocuments : QByteArray();
    if (holding && held != m_heldLogged[row])
        WriteRunLog(name + QStringLiteral("不能打印，队列中保留: ") + CodePage936::ToUnicode(held));
    m_heldLogged[row] = held;
}

void PrinterRegistry::ShowEntry(int row)
{
    const PrinterEntry &entry = PrinterTable[row];
    const bool checked = EntryChecked(entry);
    m_model.SetText(row, Column::StatusColumn, entry.statusText);
    if (EntryJobCount(entry) < 1 && checked) {
        PrintersBusy = false;
        PrintingNow = false;
    }
    m_model.SetText(row, Column::FileColumn, CodePage936::ToUnicode(entry.queueDocuments));
    m_model.SetText(row, Column::PrintedColumn, QString::number(entry.printedCount));
    const int32_t mode = EntryWorkMode(entry);
    m_model.SetText(row, Column::WorkModeColumn, WorkModeText(mode));
}

// Counted from the marks as they are when written: a pass that counted
// before a click changed them would otherwise undo the click's answer, and
// the desk would refuse reprints until the next pass.
void PrinterRegistry::UpdateNoPrinterChosen()
{
    const std::lock_guard chosen(m_chosenMutex);
    NoPrinterChosen = std::none_of(PrinterTable.begin(), PrinterTable.end(), [](const PrinterEntry &entry) {
        const int32_t mode = EntryWorkMode(entry);
        return EntryChecked(entry) && (mode == WorkModeRandom || mode == WorkModeReprint || mode == WorkModeStandby);
    });
}

bool PrinterRegistry::RequestRefresh(bool queueWhenBusy)
{
    {
        const std::lock_guard lock(m_passMutex);
        if (m_passRunning) {
            m_passAgain = m_passAgain || queueWhenBusy;
            return false;
        }
        m_passRunning = true;
    }
    m_passPool.start([this] { RunPasses(); });
    return true;
}

void PrinterRegistry::RunPasses()
{
    for (;;) {
        RefreshPrinters();
        const std::lock_guard lock(m_passMutex);
        if (!m_passAgain) {
            m_passRunning = false;
            return;
        }
        m_passAgain = false;
    }
}

bool PrinterRegistry::OnTimerTick()
{
    if (PrintCyclePhase != 1)
        return false;
    if (DispatchSuspended()) {
        RefreshWhenDispatchEnds();
        return false;
    }
    return RequestRefresh();
}

// A phase-0 dispatch holds DispatchBusy for one second, so it often still
// holds it at the phase-1 tick. Skipping that refresh would keep the printer
// it reserved looking busy for a whole further cycle and starve the next
// dispatch; the refresh runs instead once the hold ends, within the phase.
void PrinterRegistry::RefreshWhenDispatchEnds()
{
    QTimer::singleShot(kHeldRefreshRetry, this, [this] {
        if (PrintCyclePhase != 1)
            return;
        if (DispatchSuspended())
            RefreshWhenDispatchEnds();
        else
            RequestRefresh();
    });
}

void PrinterRegistry::OnRefreshKey()
{
    if (AutoPrintActive)
        return;
    for (int row = 0; row < m_model.RowCount(); ++row)
        m_model.SetText(row, Column::PaperColumn, QString());
    RequestRefresh(true);
}

bool PrinterRegistry::RefreshRunning() const
{
    const std::lock_guard lock(m_passMutex);
    return m_passRunning;
}

void PrinterRegistry::WaitIdle()
{
    m_passPool.waitForDone();
    m_paperPool.waitForDone();
}

std::chrono::milliseconds PrinterRegistry::LongestPass() const
{
    return std::chrono::milliseconds(m_longestPass.load());
}

std::chrono::milliseconds PrinterRegistry::LastPass() const
{
    return std::chrono::milliseconds(m_lastPass.load());
}

void PrinterRegistry::StartPaperQuery(int row, const QString &name)
{
    // One waiting query per row is enough; more would only pile up threads
    // while the spooler cannot answer.
    {
        const std::lock_guard lock(m_paperMutex);
        if (!m_paperPending.insert(row).second)
            return;
    }
    m_paperPool.start([this, request = PaperQueryRequest{row, name}] {
        PaperQueryWorker(request);
        const std::lock_guard lock(m_paperMutex);
        m_paperPending.erase(request.row);
    });
}

void PrinterRegistry::ResumePrinter(int row)
{
    if (row < 0 || row >= m_model.RowCount())
        return;
    const QString name = m_model.Text(row, Column::NameColumn);
    m_passPool.start([this, name] {
        const SpoolerAnswer answer = m_spooler.ResumePrinter(name);
        if (answer.accepted) {
            WriteRunLog(name + QStringLiteral("恢复打印机"));
            WaiveFaults(name);
            RequestRefresh(true);
            return;
        }
        WriteRunLog(name + QStringLiteral("恢复打印机失败:") + answer.reason);
        const QString message = QStringLiteral("未能恢复打印机 ") + name + QStringLiteral("：") + answer.reason;
        QMetaObject::invokeMethod(this, [this, message] { emit ResumeRefused(message); }, Qt::QueuedConnection);
    });
}

void PrinterRegistry::PaperQueryWorker(const PaperQueryRequest &request)
{
    const std::lock_guard lock(paper_query_cs);
    if (const auto paper = DefaultPaperName(m_spooler, request.name))
        m_model.SetText(request.row, Column::PaperColumn, *paper);
}

bool PrinterRegistry::IsRowVirtual(int row) const
{
    return IsVirtualPrinter(m_model.Text(row, Column::NameColumn));
}

bool PrinterRegistry::EntryMatchesRow(int row) const
{
    return row >= 0 && row < static_cast<int>(PrinterTable.size())
        && PrinterTable[row].name == m_model.Text(row, Column::NameColumn);
}

int PrinterRegistry::CountSelected()
{
    int count = 0;
    for (const PrinterEntry &entry : PrinterTable)
        count += EntryChecked(entry) ? 1 : 0;
    SelectedPrinterCount = count;
    if (count > 0)
        NoPrinterEverChecked = false;
    return count;
}

void PrinterRegistry::OnCheckChanged(int row, bool wasChecked, bool isChecked)
{
    if (!wasChecked && isChecked && IsRowVirtual(row)) {
        m_model.SetChecked(row, false); // comes back here as a change of its own
        return;
    }
    if (!m_listReady || row < 0 || row >= static_cast<int>(PrinterTable.size()))
        return;
    SetEntryChecked(PrinterTable[row], m_model.IsChecked(row));
    CountSelected();
}

void PrinterRegistry::ToggleCheck(int row)
{
    if (EntryMatchesRow(row))
        m_model.SetChecked(row, !m_model.IsChecked(row));
}

void PrinterRegistry::OnClicked(int row, int column, bool boxToggled)
{
    if (row < 0 || row >= m_model.RowCount()) {
        emit WorkModeEditorCloseRequested();
        return;
    }
    m_lastClickedRow = row;
    if (IsRowVirtual(row))
        return;
    if (column == Column::NameColumn && (boxToggled || !m_model.Text(row, Column::PaperColumn).isEmpty())) {
        if (!boxToggled)
            ToggleCheck(row);
        bool chosen = false;
        {
            const std::lock_guard chosenLock(m_chosenMutex);
            chosen = CountSelected() > 0;
            NoPrinterChosen = !chosen;
        }
        WriteSysValue(QStringLiteral("System"), QStringLiteral("ChoosePrinter"),
                      chosen ? QStringLiteral("True") : QStringLiteral("False"));
    }
    if (column == Column::WorkModeColumn) {
        if (!(m_editorActive && m_editedRow == row))
            emit WorkModeEditorCloseRequested();
        m_editedRow = row;
        m_editorActive = true;
        emit WorkModeEditorRequested(row);
    } else {
        emit WorkModeEditorCloseRequested();
    }
}

void PrinterRegistry::OnDoubleClicked(int row, int column)
{
    if (column == Column::NameColumn && row >= 0 && !IsRowVirtual(row))
        ToggleCheck(row);
}

void PrinterRegistry::OnRightClicked(int row, int column)
{
    if (column != Column::NameColumn || row < 0 || row >= m_model.RowCount())
        return;
    QDesktopServices::openUrl(m_spooler.PreferencesPage(m_model.Text(row, Column::NameColumn)));
}

PrinterRegistry::ModeDecision PrinterRegistry::DecideWorkMode(int chosen)
{
    if (AutoPrintRunning)
        return ModeDecision::RefusedEditorStays;
    const bool printerHasWork = std::any_of(PrinterTable.begin(), PrinterTable.end(),
                                            [](const PrinterEntry &entry) { return EntryJobCount(entry) > 0; });
    const bool refused = printerHasWork || AutoPrintRunning || !PendingQueueIdle;
    if (!refused && m_editedRow >= 0 && m_editedRow < static_cast<int>(PrinterTable.size())) {
        SetEntryWorkMode(PrinterTable[m_editedRow], chosen);
        if (chosen == WorkModeStandby)
            StandbyInUse = true;
    }
    // The editor's text goes into the cell before the pass writes the entry's mode over it.
    emit WorkModeEditorCloseRequested();
    RequestRefresh(true);
    return refused ? ModeDecision::Refused : ModeDecision::Stored;
}

void PrinterRegistry::OnEditorClosed(const QString &text)
{
    if (m_editorActive)
        m_model.SetText(m_editedRow, Column::WorkModeColumn, text);
    m_editorActive = false;
}
