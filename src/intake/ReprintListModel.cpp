#include "ReprintListModel.h"

#include <algorithm>

namespace {

QStringList TextsOf(const ReprintRow &row)
{
    return {row.id, row.name, row.path, row.quantity};
}

ReprintRow RowOf(const QStringList &texts)
{
    return {texts.value(0), texts.value(1), texts.value(2), texts.value(3)};
}

} // namespace

ReprintListModel::ReprintListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QStringList ReprintListModel::Headers()
{
    return {QStringLiteral("补打信息: ID"), QStringLiteral("名称"), QStringLiteral("路径"), QStringLiteral("数量")};
}

int ReprintListModel::RowCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

std::vector<ReprintRow> ReprintListModel::Rows() const
{
    const std::lock_guard lock(m_mutex);
    std::vector<ReprintRow> rows;
    rows.reserve(m_rows.size());
    for (const Entry &entry : m_rows)
        rows.push_back(RowOf(entry.texts));
    return rows;
}

std::optional<ReprintRow> ReprintListModel::Row(int row) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return std::nullopt;
    return RowOf(m_rows[row].texts);
}

QString ReprintListModel::Text(int row, int column) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    return m_rows[row].texts.value(column);
}

std::optional<std::pair<ReprintListModel::Key, ReprintRow>> ReprintListModel::KeyedRow(int row) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return std::nullopt;
    return std::pair{m_rows[row].key, RowOf(m_rows[row].texts)};
}

std::optional<ReprintListModel::Key> ReprintListModel::KeyOf(int row) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return std::nullopt;
    return m_rows[row].key;
}

int ReprintListModel::IndexOf(Key key) const
{
    const std::lock_guard lock(m_mutex);
    return IndexOfLocked(key);
}

int ReprintListModel::IndexOfLocked(Key key) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [key](const Entry &entry) { return entry.key == key; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

ReprintListModel::Key ReprintListModel::InsertRow(int row, const ReprintRow &texts)
{
    const std::lock_guard lock(m_mutex);
    const Entry inserted{m_nextKey++, TextsOf(texts)};
    row = std::clamp(row, 0, static_cast<int>(m_rows.size()));
    m_rows.insert(m_rows.begin() + row, inserted);
    Replay([this, row, inserted] {
        beginInsertRows({}, row, row);
        m_shown.insert(m_shown.begin() + row, inserted);
        endInsertRows();
    });
    return inserted.key;
}

void ReprintListModel::SetText(int row, int column, const QString &text)
{
    const std::lock_guard lock(m_mutex);
    SetTextLocked(row, column, text);
}

bool ReprintListModel::SetTextOf(Key key, int column, const QString &text)
{
    const std::lock_guard lock(m_mutex);
    const int row = IndexOfLocked(key);
    SetTextLocked(row, column, text);
    return row >= 0;
}

void ReprintListModel::SetTextLocked(int row, int column, const QString &text)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= ColumnCount)
        return;
    m_rows[row].texts[column] = text;
    Replay([this, row, column, text] {
        m_shown[row].texts[column] = text;
        emit dataChanged(index(row, column), index(row, column));
    });
}

void ReprintListModel::RemoveRow(int row)
{
    const std::lock_guard lock(m_mutex);
    RemoveRowLocked(row);
}

bool ReprintListModel::RemoveRowOf(Key key)
{
    const std::lock_guard lock(m_mutex);
    const int row = IndexOfLocked(key);
    RemoveRowLocked(row);
    return row >= 0;
}

void ReprintListModel::RemoveRowLocked(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    m_rows.erase(m_rows.begin() + row);
    Replay([this, row] {
        beginRemoveRows({}, row, row);
        m_shown.erase(m_shown.begin() + row);
        endRemoveRows();
    });
}

void ReprintListModel::MoveRowToTop(int row)
{
    const std::lock_guard lock(m_mutex);
    if (row <= 0 || row >= static_cast<int>(m_rows.size()))
        return;
    std::rotate(m_rows.begin(), m_rows.begin() + row, m_rows.begin() + row + 1);
    Replay([this, row] {
        beginMoveRows({}, row, row, {}, 0);
        std::rotate(m_shown.begin(), m_shown.begin() + row, m_shown.begin() + row + 1);
        endMoveRows();
    });
}

void ReprintListModel::Clear()
{
    const std::lock_guard lock(m_mutex);
    m_rows.clear();
    Replay([this] {
        beginResetModel();
        m_shown.clear();
        endResetModel();
    });
}

void ReprintListModel::Replay(std::function<void()> change)
{
    QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

int ReprintListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int ReprintListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ReprintListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_shown.size()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_shown[index.row()].texts.value(index.column());
    if (role == Qt::TextAlignmentRole)
        return Qt::AlignCenter;
    return {};
}

QVariant ReprintListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return Headers().at(section);
    if (role == Qt::TextAlignmentRole)
        return Qt::AlignCenter;
    return {};
}
