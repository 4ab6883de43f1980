#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

// Flags and counters that several subsystems share. Worker threads set them
// and the user-interface thread reads them (the status line, the timers)
// without further locks, so each is an atomic.

// Automatic printing (print manager page).
inline std::atomic<bool> AutoPrintRunning{false};
inline std::atomic<bool> AutoPrintActive{false};
inline std::atomic<bool> ManualMode{false};
inline std::atomic<int> PrintCyclePhase{0};
inline std::atomic<bool> PrintWorkersReady{false};

// Dispatcher and print job.
inline std::atomic<bool> DispatchBusy{false};
// Set while the window asks whether to quit: nothing is dispatched and no
// refresh runs meanwhile, even when a job's end or the dispatcher's
// one-second hold clears DispatchBusy before the answer.
inline std::atomic<bool> CloseQuestionOpen{false};

// True while no dispatch and no printer refresh may start.
inline bool DispatchSuspended()
{
    return DispatchBusy || CloseQuestionOpen;
}
inline std::atomic<bool> PrintersBusy{false};
inline std::atomic<bool> PrintingNow{false};

// Printer registry.
inline std::atomic<int> SelectedPrinterCount{0};
inline std::atomic<bool> NoPrinterEverChecked{true};
inline std::atomic<bool> NoPrinterChosen{true};

// Composition queue and lists.
inline std::atomic<bool> ComposingNow{false};
inline std::atomic<bool> PendingQueueIdle{true};
inline std::atomic<bool> PrintedListReady{false};
// Set while the printer enumeration at start-up has not filled the printer
// table yet: the printed-folder scan, which restores the printers' printed
// counts into that table, waits for it.
inline std::atomic<bool> PrinterEnumerationRunning{false};
inline std::atomic<bool> PendingScanRunning{false};

// Reprints.
inline std::atomic<int> ReprintFileCount{0};
inline std::atomic<int> ReprintTotalCount{0};
inline std::atomic<bool> ReprintListBusy{false};

// Interactive photography.
inline std::atomic<bool> CaptureOnTop{false};

// Seconds a print job waits before it prints; "event_waite_time" of the system settings.
inline std::atomic<int> PrintDelaySeconds{2};

// The paper width and height in millimetres of the print manager page; a
// print job falls back on them when a printer reports no printable area.
inline std::atomic<int> PaperWidthMm{0};
inline std::atomic<int> PaperHeightMm{0};

// A text written by one thread and shown by another. A plain QString would
// be a data race, so reads and writes take a short lock.
class SharedText final
{
public:
    QString Get() const;
    void Set(const QString &text);

private:
    mutable std::mutex m_mutex;
    QString m_text;
};

// The status-line texts: the file being composed and the file being printed.
inline SharedText ComposingName;
inline SharedText PrintingName;

// Puts every flag, counter and text above, the printer table and the print
// thread slots back as a program start finds them. For tests, which live
// many program lives in one process; no thread of the program may run.
void ResetProcessStateForTests();
