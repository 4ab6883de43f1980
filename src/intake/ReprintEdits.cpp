#include "intake/ReprintEdits.h"

#include "desk/ProcessState.h"
#include "intake/CopyLimit.h"
#include "intake/ReprintRecords.h"
#include "platform/DecimalText.h"

namespace {

constexpr int64_t EnterRepeatMs = 500;

} // namespace

bool MoveReprintRowToTop(ReprintListModel &reprints, int row, int column)
{
    const bool onIdOrName = column == ReprintListModel::IdColumn || column == ReprintListModel::NameColumn;
    if (AutoPrintRunning || !PrintedListReady || !onIdOrName || row < 1 || row >= reprints.RowCount())
        return false;
    reprints.MoveRowToTop(row);
    ReprintListChanged(reprints);
    return true;
}

bool DeleteReprintRow(ReprintListModel &reprints, int row, int column)
{
    if (AutoPrintRunning || !PrintedListReady || column == ReprintListModel::QuantityColumn)
        return false;
    const std::optional<ReprintListModel::Key> key = reprints.KeyOf(row);
    if (!key)
        return false;
    if (!reprints.RemoveRowOf(*key))
        return false;
    ReprintListChanged(reprints);
    return true;
}

QuantityEditResult FinishQuantityEdit(const QString &quantityBefore, const QString &typed)
{
    if (typed.isEmpty())
        return {quantityBefore, 0, false};
    const int quantity = CutToCopyLimit(LeadingDigitsValue(typed.trimmed()), QStringLiteral("补打列表"));
    return {QString::number(quantity), quantity - DecimalValue(quantityBefore), true};
}

bool QuantityEditor::Open(ReprintListModel &reprints, int row, int column, const QString &openText)
{
    if (AutoPrintRunning || !PrintedListReady || column != ReprintListModel::QuantityColumn)
        return false;
    const std::optional<ReprintListModel::Key> key = reprints.KeyOf(row);
    if (!key)
        return false;
    if (m_key && *m_key != *key)
        Close(reprints, openText);
    m_key = key;
    m_quantityBefore = reprints.Text(row, column);
    return true;
}

bool QuantityEditor::Close(ReprintListModel &reprints, const QString &typed)
{
    if (!m_key)
        return false;
    const ReprintListModel::Key key = *m_key;
    m_key.reset();
    const QuantityEditResult result = FinishQuantityEdit(m_quantityBefore, typed);
    // A quantity left as it was keeps the copies the reprint worker printed
    // while the editor was open; the list's count follows the cell.
    if (!result.changed || result.cellText == m_quantityBefore)
        return reprints.IndexOf(key) >= 0;
    if (!reprints.SetTextOf(key, ReprintListModel::QuantityColumn, result.cellText))
        return false;
    SaveReprintList(reprints);
    return true;
}

int QuantityEditor::Row(const ReprintListModel &reprints) const
{
    return m_key ? reprints.IndexOf(*m_key) : -1;
}

EnterGate::Action EnterGate::Released(int64_t tickMs, bool nameFieldEmpty)
{
    const bool tooFast = m_previousTick && tickMs - *m_previousTick < EnterRepeatMs;
    m_previousTick = tickMs;
    if (tooFast)
        return Action::TooFast;
    return nameFieldEmpty ? Action::Nothing : Action::Reprint;
}
