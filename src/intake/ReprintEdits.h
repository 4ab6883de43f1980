#pragma once

#include "intake/ReprintListModel.h"

#include <QString>

#include <cstdint>
#include <optional>

// What the operator does to the reprint list itself while automatic printing
// is paused (AutoPrintRunning clear) and the start-up restore is over
// (PrintedListReady set); each refuses otherwise: move a row to the top,
// delete a row, edit a quantity in place.
// Each change that happens also sets the counters and saves the list file.

// Double click on a row while paused: a row other than the first, clicked on
// its ID or name column, goes to the top; the others keep their order.
// True when the row moved.
bool MoveReprintRowToTop(ReprintListModel &reprints, int row, int column);

// Right double click on a row while paused, on any column but the quantity:
// the row goes, and with it its copies from ReprintTotalCount. True when deleted.
bool DeleteReprintRow(ReprintListModel &reprints, int row, int column);

// What a finished quantity edit does: the text the cell gets, how much
// ReprintTotalCount changes and whether the list is saved. An empty text
// puts the quantity from before the edit back; any other text becomes its
// decimal value (no sign, so never below 0), which is what the total counts.
struct QuantityEditResult
{
    QString cellText;
    int totalChange = 0;
    bool changed = false;

    bool operator==(const QuantityEditResult &) const = default;
};
QuantityEditResult FinishQuantityEdit(const QString &quantityBefore, const QString &typed);

// The in-place quantity editor's state. The page opens its edit field where
// Open says, and calls Close with the field's text whenever the editor goes
// away: lost focus, a click on the list, or a right click on another cell.
// Every close applies the same arithmetic, and a second close is harmless.
class QuantityEditor final
{
public:
    // Right click while paused on the quantity column of a row: remembers the
    // cell and its quantity; an editor open on another cell is closed first
    // with `openText`, its text. False (nothing opened) for other cells.
    bool Open(ReprintListModel &reprints, int row, int column, const QString &openText = {});
    // Writes a changed quantity into the edited cell and saves the list; a
    // quantity left as it was (or emptied) leaves the cell as it is now.
    // False when no editor was open or the row has gone meanwhile.
    bool Close(ReprintListModel &reprints, const QString &typed);

    bool IsOpen() const { return m_key.has_value(); }
    // The row being edited, -1 when none.
    int Row(const ReprintListModel &reprints) const;

private:
    std::optional<ReprintListModel::Key> m_key;
    QString m_quantityBefore;
};

// Enter released in the print manager page. A second Enter less than 500 ms
// after the previous one is refused (the page shows the "too fast" text and
// moves the focus to the name field); otherwise the reprint click runs when
// the name field holds something. Every Enter counts as the previous one for
// the next; the first after start-up is always handled.
class EnterGate final
{
public:
    enum class Action { TooFast, Reprint, Nothing };

    Action Released(int64_t tickMs, bool nameFieldEmpty);

private:
    std::optional<int64_t> m_previousTick;
};
