#pragma once

#include "intake/ReprintListModel.h"
#include "platform/WorkerSet.h"

#include <atomic>

class PhotoListModel;

// Prints the reprint list, row 0 first, interleaved with the new photos: a
// pass runs on a thread of its own, started by the page's timer, and hands
// row 0 to the dispatcher in phase 2 of the print cycle, excluding printers
// that take new photos only. With one selected printer a row goes out as one
// job of all its copies; with two or more as single copies, so they spread
// over the printers. Every change of the list updates ReprintFileCount and
// ReprintTotalCount and saves the list file. Copies leave the list when
// their job starts, as a journalled hand-over (HandOver): the printed list's
// quantity grows once the spooler accepted them, and copies it did not
// accept come back to the top of the list. Touches only the models, never a widget.
class ReprintWorker final
{
public:
    ReprintWorker(PhotoListModel &printed, ReprintListModel &reprints);
    // Asks a pass still running to stop after the copy it is printing and
    // waits for it, so the models it uses outlive it.
    ~ReprintWorker();
    ReprintWorker(const ReprintWorker &) = delete;
    ReprintWorker &operator=(const ReprintWorker &) = delete;

    // Starts a pass when reprints wait, none is being added or handled, a
    // printer is selected and no pass runs yet. True when one was started.
    bool Start();

    // One pass on the calling thread (the thread Start runs).
    void RunPass();

private:
    bool PrinterTakesReprintsNow() const;
    // Dispatches the copies of the row with `key` for printed row `printedRow`;
    // true when the row is done with.
    bool PrintAllCopiesAtOnce(ReprintListModel::Key key, const ReprintRow &row, int printedRow, int quantity);
    bool PrintSingleCopies(ReprintListModel::Key key, const ReprintRow &row, int printedRow, int quantity);
    void RemoveRow(ReprintListModel::Key key);

    PhotoListModel &m_printed;
    ReprintListModel &m_reprints;
    std::atomic<int> m_running{0};
    WorkerSet m_workers;
};

// Double click on a reprint row while automatic printing runs: the row is
// printed at once on an idle printer in standby, once one has been put on
// standby; the row goes and the counters and the file follow. The printed
// list's quantity stays. True when it was dispatched. Never waits for the
// printer table: while another thread holds it, nothing happens.
bool PrintReprintRowOnStandby(ReprintListModel &reprints, int row);
