#pragma once

#include "intake/CompositionRoad.h"
#include "intake/PhotoListModel.h"
#include "intake/ScanTaskParams.h"
#include "printing/PrintJobParams.h"
#include "platform/FileIo.h"
#include "platform/Lifeline.h"
#include "platform/WorkerSet.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

// The print queue: the pending list (composed photos in Pic_P waiting for a
// printer) and the printed list (photos handed to a printer, in Pic_R), and
// every operation that moves a photo between the folders and the lists. The
// lists are models that worker threads change directly, under the pending
// folder and pending list locks; the page only shows them. No method here
// waits for a worker, a decode or the spooler on the user-interface thread.
// The queue owns its workers (compositions, folder scans): its destructor
// asks them to stop and waits for them. The print jobs it starts answer
// through its Lifeline, which its destructor cuts first.
class PhotoQueue final : public QObject
{
    Q_OBJECT

public:
    explicit PhotoQueue(QSize thumbnailSize, QObject *parent = nullptr);
    ~PhotoQueue() override;

    PhotoListModel &Pending() { return *m_pending; }
    PhotoListModel &Printed() { return *m_printed; }

    // Inserts a pending row for the photo at `path`; nothing for an empty name or path.
    void AddPendingItem(const QString &name, const QString &path, int row);
    // Adds a pending row at the end under pending_list_cs, unless a row of that name is listed.
    void AddPendingUnlessListed(const QString &pendingName, const QString &pendingPath);
    // Adds a printed row at PrintedNextIndex; the caller raises PrintedNextIndex afterwards.
    void AddPrintedItem(const QString &name, const QString &quantity, const QString &path);

    // Starts the composition thread for one photo found by the source folder scan.
    void StartComposition(std::unique_ptr<ScanTaskParams> task);
    // Whether photos can be composed now, whatever the photo (template, paper, disk).
    CompositionRoad &Road() { return m_road; }

    // One tick's try to hand the first pending photo to a printer.
    // `startChecked`: the page's "开始" is the checked radio button.
    void DispatchStep(bool startChecked);

    // Rebuilds the printed list from Pic_R, then restores today's records;
    // PrintedListReady is set once the rows and records are in, without
    // waiting for the thumbnails.
    void StartPrintedFolderScan();
    // At most one pending-folder scan walks and one waits; a request beyond that does nothing.
    void StartPendingFolderScan();

    enum class PrintNowResult { Started, NotNow, PrintersBusy };
    // Prints a pending photo at once (double click). `autoPrintPaused`: automatic printing is paused.
    PrintNowResult PrintNow(int row, bool autoPrintPaused);
    // Moves a pending photo out of the queue into Pic_B (right double click).
    void TakeOut(int row);

    // Fills in the day's quantities, printed counts and reprint list once the
    // printed folder is listed; set by the reprint records at start-up.
    std::function<void(PhotoListModel &printed)> restoreFromRecords;
    // Set while there is no reprint work; the page's timer keeps it.
    bool noReprintWork = true;

signals:
    void HintChanged(const QString &hint);

private:
    void Compose(const ScanTaskParams &task);
    bool ComposeWithTemplate(const ScanTaskParams &task, const QString &pendingName, const QString &pendingPath);
    void CopyWithoutTemplate(const ScanTaskParams &task, const QString &pendingName, const QString &pendingPath);
    // A composition or copy that failed with the photo unchanged: the road
    // stops when the cause is not the photo's, else the photo is passed over.
    void Failed(const ScanTaskParams &task, const FileIo::Stamp &stamp);
    void KeepSource(const ScanTaskParams &task);
    void KeepUnmovableSource(const ScanTaskParams &task, const QString &keepPath);
    bool IdlePrinterForNewPhotos() const;
    // Opens the photo's hand-over, moves it from Pic_P to Pic_R and starts its
    // print job; true when the job runs. Otherwise the photo is back in Pic_P.
    bool Dispatch(const QString &name, int32_t excludedMode);
    // The print job's outcome, on its thread: the photo joins the printed
    // list, or goes back to Pic_P and the top of the pending list.
    void Answered(const QString &name, PrintJobParams::Outcome outcome);
    // Takes a dispatched photo off the pending list.
    void HandOver(int row, std::chrono::milliseconds settle);
    void RemoveRowAndRenumber(int row);
    void WalkPrintedFolder();
    void WalkPendingFolder();
    // True when the photo was not listed at that row and was inserted there.
    bool AddPendingUnlessInPlace(const QString &fileName, const QString &path, int row);

    std::unique_ptr<PhotoListModel> m_pending;
    std::unique_ptr<PhotoListModel> m_printed;
    CompositionRoad m_road;
    int m_idleEmptyTicks = 0;
    Lifeline m_answers; // the print jobs' way back to the queue
    WorkerSet m_workers;
};
