#include "desk/PrinterListModel.h"

#include <QColor>
#include <QThread>

namespace {

// A soft amber: seen at a glance, the texts stay readable.
const QColor kMarkedRow(255, 214, 153);

} // namespace

PrinterListModel::PrinterListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QStringList PrinterListModel::ColumnTitles()
{
    return {QStringLiteral("打印机"), QStringLiteral("状态"), QStringLiteral("文件"),
            QStringLiteral("已打印"), QStringLiteral("工作模式"), QStringLiteral("默认纸张"),
            QStringLiteral("剩余")};
}

int PrinterListModel::AppendRow(const QStringList &texts)
{
    Row row;
    row.texts = texts.mid(0, ColumnCount);
    while (row.texts.size() < ColumnCount)
        row.texts.append(QString());

    const int index = RowCount();
    beginInsertRows({}, index, index);
    {
        const std::lock_guard lock(m_mutex);
        m_rows.push_back(std::move(row));
    }
    endInsertRows();
    return index;
}

void PrinterListModel::Clear()
{
    beginResetModel();
    {
        const std::lock_guard lock(m_mutex);
        m_rows.clear();
    }
    endResetModel();
}

int PrinterListModel::RowCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

QString PrinterListModel::Text(int row, int column) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= ColumnCount)
        return {};
    return m_rows[row].texts[column];
}

void PrinterListModel::SetText(int row, int column, const QString &text)
{
    {
        const std::lock_guard lock(m_mutex);
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= ColumnCount)
            return;
        if (m_rows[row].texts[column] == text)
            return;
        m_rows[row].texts[column] = text;
    }
    NotifyChanged(row, column);
}

bool PrinterListModel::IsChecked(int row) const
{
    const std::lock_guard lock(m_mutex);
    return row >= 0 && row < static_cast<int>(m_rows.size()) && m_rows[row].checked;
}

void PrinterListModel::SetChecked(int row, bool checked)
{
    bool was = false;
    {
        const std::lock_guard lock(m_mutex);
        if (row < 0 || row >= static_cast<int>(m_rows.size()))
            return;
        was = m_rows[row].checked;
        m_rows[row].checked = checked;
    }
    if (was == checked)
        return;
    NotifyChanged(row, NameColumn);
    emit CheckChanged(row, was, checked);
}

bool PrinterListModel::IsMarked(int row) const
{
    const std::lock_guard lock(m_mutex);
    return row >= 0 && row < static_cast<int>(m_rows.size()) && m_rows[row].marked;
}

void PrinterListModel::SetMarked(int row, bool marked)
{
    {
        const std::lock_guard lock(m_mutex);
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[row].marked == marked)
            return;
        m_rows[row].marked = marked;
    }
    NotifyChanged(row, 0, ColumnCount - 1);
}

void PrinterListModel::NotifyChanged(int row, int column, int lastColumn)
{
    const int last = lastColumn < 0 ? column : lastColumn;
    // Views live on the model's thread; a worker's change reaches them queued.
    if (QThread::currentThread() == thread()) {
        emit dataChanged(index(row, column), index(row, last));
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, row, column, last] { emit dataChanged(index(row, column), index(row, last)); },
        Qt::QueuedConnection);
}

int PrinterListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int PrinterListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PrinterListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Text(index.row(), index.column());
    case Qt::CheckStateRole:
        if (index.column() == NameColumn)
            return IsChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return Qt::AlignCenter;
    case Qt::BackgroundRole:
        return IsMarked(index.row()) ? QVariant(kMarkedRow) : QVariant();
    default:
        return {};
    }
}

QVariant PrinterListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return ColumnTitles().at(section);
    if (role == Qt::TextAlignmentRole)
        return Qt::AlignCenter;
    return {};
}

Qt::ItemFlags PrinterListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == NameColumn)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

bool PrinterListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != NameColumn || role != Qt::CheckStateRole)
        return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}
