#include "intake/SharedListModel.h"

#include <algorithm>

SharedListModel::SharedListModel(QStringList headers, QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers(std::move(headers))
{
}

int SharedListModel::RowCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

QString SharedListModel::Text(int row, int column) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    return m_rows[row].texts.value(column);
}

std::optional<SharedListModel::Key> SharedListModel::KeyOf(int row) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return std::nullopt;
    return m_rows[row].key;
}

int SharedListModel::IndexOf(Key key) const
{
    const std::lock_guard lock(m_mutex);
    return IndexOfLocked(key);
}

int SharedListModel::IndexOfLocked(Key key) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [key](const Row &row) { return row.key == key; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

SharedListModel::Key SharedListModel::InsertTexts(int row, QStringList texts)
{
    const std::lock_guard lock(m_mutex);
    while (texts.size() < m_headers.size())
        texts.append(QString());
    const Row inserted{m_nextKey++, std::move(texts), {}};
    row = std::clamp(row, 0, static_cast<int>(m_rows.size()));
    m_rows.insert(m_rows.begin() + row, inserted);
    Replay([this, row, inserted] {
        beginInsertRows({}, row, row);
        m_shown.insert(m_shown.begin() + row, inserted);
        endInsertRows();
    });
    return inserted.key;
}

std::vector<std::pair<SharedListModel::Key, QStringList>> SharedListModel::KeyedTexts() const
{
    const std::lock_guard lock(m_mutex);
    std::vector<std::pair<Key, QStringList>> rows;
    rows.reserve(m_rows.size());
    for (const Row &row : m_rows)
        rows.emplace_back(row.key, row.texts);
    return rows;
}

std::optional<std::pair<SharedListModel::Key, QStringList>> SharedListModel::KeyedTextsAt(int row) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return std::nullopt;
    return std::pair{m_rows[row].key, m_rows[row].texts};
}

void SharedListModel::SetText(int row, int column, const QString &text)
{
    const std::lock_guard lock(m_mutex);
    SetTextLocked(row, column, text);
}

bool SharedListModel::SetTextOf(Key key, int column, const QString &text)
{
    const std::lock_guard lock(m_mutex);
    const int row = IndexOfLocked(key);
    SetTextLocked(row, column, text);
    return row >= 0;
}

void SharedListModel::SetTextLocked(int row, int column, const QString &text)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= m_headers.size())
        return;
    m_rows[row].texts[column] = text;
    Replay([this, row, column, text] {
        m_shown[row].texts[column] = text;
        emit dataChanged(index(row, column), index(row, column));
    });
}

void SharedListModel::RemoveRow(int row)
{
    const std::lock_guard lock(m_mutex);
    RemoveRowLocked(row);
}

bool SharedListModel::RemoveRowOf(Key key)
{
    const std::lock_guard lock(m_mutex);
    const int row = IndexOfLocked(key);
    RemoveRowLocked(row);
    return row >= 0;
}

void SharedListModel::RemoveRowLocked(int row)
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

void SharedListModel::MoveRowToTop(int row)
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

void SharedListModel::Clear()
{
    const std::lock_guard lock(m_mutex);
    m_rows.clear();
    Replay([this] {
        beginResetModel();
        m_shown.clear();
        endResetModel();
    });
}

void SharedListModel::Replay(std::function<void()> change)
{
    RowsChangedLocked();
    QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

void SharedListModel::ShowImage(Key key, const QImage &image)
{
    const auto shown = std::find_if(m_shown.begin(), m_shown.end(), [key](const Row &row) { return row.key == key; });
    if (shown == m_shown.end())
        return; // the row left the list before its picture was ready
    shown->image = image;
    const int row = static_cast<int>(shown - m_shown.begin());
    emit dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}

QImage SharedListModel::ShownImage(int row) const
{
    return row >= 0 && row < static_cast<int>(m_shown.size()) ? m_shown[row].image : QImage();
}

int SharedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int SharedListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant SharedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_shown.size()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_shown[index.row()].texts.value(index.column());
    if (role == Qt::TextAlignmentRole)
        return Qt::AlignCenter;
    return {};
}

QVariant SharedListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_headers.at(section);
    if (role == Qt::TextAlignmentRole)
        return Qt::AlignCenter;
    return {};
}
