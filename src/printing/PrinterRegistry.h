#pragma once

#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "platform/Spooler.h"
#include "printing/PrinterSupply.h"

#include <QObject>
#include <QThreadPool>

#include <chrono>
#include <map>
#include <mutex>
#include <set>

// One default-paper query: which row to fill and for which printer.
struct PaperQueryRequest
{
    int row = 0;
    QString name;
};

// The printer registry: builds the printer table and the printer list from
// the spooler, refreshes states, queues and default papers, and handles the
// list's check marks and clicks and the work-mode editor's decisions.
//
// Nothing here makes the user-interface thread wait on the spooler or on the
// print locks: enumeration and refresh passes run on one worker thread (one
// pass at a time), default-paper queries on another; both change the list
// model, which tells its views on their own thread. The handlers On...() are
// called on the user-interface thread.
class PrinterRegistry final : public QObject
{
    Q_OBJECT

public:
    PrinterRegistry(Spooler &spooler, PrinterListModel &model, QObject *parent = nullptr);
    ~PrinterRegistry() override;

    // Asks the spooler for its printers on the worker; the rows, the table
    // entries and the list-ready flag follow on this object's thread, then Enumerated().
    void Enumerate();
    bool ListReady() const { return m_listReady; }

    // One refresh pass on the calling thread. Holds printer_table_cs and
    // print_thread_cs for the whole pass, so it waits for a printing job.
    void RefreshPrinters();
    // Starts a pass on the worker unless one is running. When one is running,
    // a queued request makes one more pass follow it; otherwise it is skipped.
    bool RequestRefresh(bool queueWhenBusy = false);
    // Timer 1: a pass in phase 1 of the print cycle while no dispatch runs;
    // a dispatch still running at the tick only delays the pass within the
    // phase. True when a pass started at the tick itself.
    bool OnTimerTick();
    // F5: unless automatic printing is active, empties the default papers and refreshes.
    void OnRefreshKey();
    bool RefreshRunning() const;
    // Waits until no pass and no paper query runs (for tests and for leaving).
    void WaitIdle();
    // How long the longest and the last pass took so far.
    std::chrono::milliseconds LongestPass() const;
    std::chrono::milliseconds LastPass() const;

    void StartPaperQuery(int row, const QString &name);

    // "恢复打印机": starts the row's stopped queue again and releases the
    // jobs it held back, on the worker, with a run-log entry; a refresh pass
    // follows. When the spooler refuses, ResumeRefused() says why. Faults the
    // printer reported until then (paper out, door open, offline) no longer
    // keep photos from it; once gone, they count again when they come back.
    void ResumePrinter(int row);

    // Printer list notifications. A row of -1 is a click outside the rows.
    void OnCheckChanged(int row, bool wasChecked, bool isChecked);
    // `boxToggled`: the click landed on the row's check box, which the view
    // has already toggled; a click on the name toggles the mark here.
    void OnClicked(int row, int column, bool boxToggled = false);
    void OnDoubleClicked(int row, int column);
    void OnRightClicked(int row, int column);
    int LastClickedRow() const { return m_lastClickedRow; }

    // The work-mode editor. The view opens and closes the editor when asked
    // and reports back through these.
    enum class ModeDecision {
        RefusedEditorStays, // automatic printing runs: the editor stays open
        Refused,            // a printer has work: the mode stays, the editor closes
        Stored,             // the mode is stored, the editor closes
    };
    // The drop-down closed up with item `chosen` (-1 for none). Unless the
    // editor stays, asks the view to close it and refreshes. The view shows
    // WorkModeRefusal() for either refusal.
    ModeDecision DecideWorkMode(int chosen);
    // The editor closed with `text`, decided or not: the text goes into the cell.
    void OnEditorClosed(const QString &text);
    int EditedRow() const { return m_editedRow; }
    bool EditorActive() const { return m_editorActive; }

signals:
    void Enumerated();
    // The view opens the work-mode editor over column 4 of the row, or gives it the focus when it is open there.
    void WorkModeEditorRequested(int row);
    // The view closes an open work-mode editor, keeping its text.
    void WorkModeEditorCloseRequested();
    // The spooler refused to resume a printer; the message tells the operator.
    void ResumeRefused(const QString &message);
    // A printer ran low on paper or ribbon; the hint line tells the operator once.
    void RunningLow(const QString &hint);

private:
    void RefreshRow(int row);
    void ShowEntry(int row);
    void ShowSupply(int row, const QString &name, const PrinterSupply &supply);
    void LogHeldJobs(int row, const QString &name, const PrinterEntry &entry);
    uint32_t WaivedFaults(const QString &name, uint32_t status);
    void WaiveFaults(const QString &name);
    void UpdateNoPrinterChosen();
    void PaperQueryWorker(const PaperQueryRequest &request);
    void ToggleCheck(int row);
    int CountSelected();
    bool IsRowVirtual(int row) const;
    bool EntryMatchesRow(int row) const;
    void RunPasses();
    void RefreshWhenDispatchEnds();

    Spooler &m_spooler;
    PrinterListModel &m_model;
    std::atomic<bool> m_listReady{false};
    int m_lastClickedRow = 0;
    int m_editedRow = -1;
    bool m_editorActive = false;

    // Orders a click's NoPrinterChosen against a pass's: each counts and writes under it.
    std::mutex m_chosenMutex;
    mutable std::mutex m_passMutex;
    bool m_passRunning = false;
    bool m_passAgain = false;
    std::atomic<std::chrono::milliseconds::rep> m_longestPass{0};
    std::atomic<std::chrono::milliseconds::rep> m_lastPass{0};

    // Touched by the passes only, one at a time: per row, whether its
    // running low was said, and the held documents last logged.
    std::vector<bool> m_lowSaid;
    std::vector<QByteArray> m_heldLogged;

    // Per printer, the faults it reported before the operator resumed it.
    std::mutex m_waivedMutex;
    std::map<QString, uint32_t> m_waivedFaults;

    std::mutex m_paperMutex;
    std::set<int> m_paperPending;

    QThreadPool m_passPool;
    QThreadPool m_paperPool;
};
