#include "PhotoListModel.h"

#include "Thumbnail.h"

#include <algorithm>

PhotoListModel::PhotoListModel(QStringList headers, QSize thumbnailSize, QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers(std::move(headers))
    , m_thumbnailSize(thumbnailSize)
{
    m_thumbnailPool.setMaxThreadCount(1);
}

PhotoListModel::~PhotoListModel()
{
    // A thumbnail still being made posts to this model; let it finish first.
    m_thumbnailPool.clear();
    m_thumbnailPool.waitForDone();
}

QStringList PhotoListModel::PendingHeaders()
{
    return {QStringLiteral("待打印的照片"), QStringLiteral("名称"), QStringLiteral("编号")};
}

QStringList PhotoListModel::PrintedHeaders()
{
    return {QStringLiteral("已经打印的照片"), QStringLiteral("数量"), QStringLiteral("名称"), QStringLiteral("路径"),
            QStringLiteral("编号")};
}

int PhotoListModel::RowCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

QString PhotoListModel::Text(int row, int column) const
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 1 || column >= m_headers.size())
        return {};
    return m_rows[row].texts.value(column);
}

void PhotoListModel::SetText(int row, int column, const QString &text)
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 1 || column >= m_headers.size())
        return;
    m_rows[row].texts[column] = text;
    Replay([this, row, column, text] {
        m_shown[row].texts[column] = text;
        emit dataChanged(index(row, column), index(row, column));
    });
}

void PhotoListModel::InsertRow(int row, const QStringList &texts, const QString &photoPath)
{
    const std::lock_guard lock(m_mutex);
    Row inserted;
    inserted.id = m_nextId++;
    inserted.texts = texts;
    while (inserted.texts.size() < m_headers.size())
        inserted.texts.append(QString());
    row = std::clamp(row, 0, static_cast<int>(m_rows.size()));
    m_rows.insert(m_rows.begin() + row, inserted);
    Replay([this, row, inserted] {
        beginInsertRows({}, row, row);
        m_shown.insert(m_shown.begin() + row, inserted);
        endInsertRows();
    });
    StartThumbnail(inserted.id, photoPath);
}

void PhotoListModel::RemoveRow(int row)
{
    const std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    m_rows.erase(m_rows.begin() + row);
    Replay([this, row] {
        beginRemoveRows({}, row, row);
        m_shown.erase(m_shown.begin() + row);
        endRemoveRows();
    });
}

void PhotoListModel::Clear()
{
    const std::lock_guard lock(m_mutex);
    m_rows.clear();
    Replay([this] {
        beginResetModel();
        m_shown.clear();
        endResetModel();
    });
}

void PhotoListModel::Replay(std::function<void()> change)
{
    QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

void PhotoListModel::StartThumbnail(uint64_t id, const QString &photoPath)
{
    m_thumbnailPool.start([this, id, photoPath] {
        const QImage thumbnail = MakeThumbnail(photoPath, m_thumbnailSize);
        QMetaObject::invokeMethod(this, [this, id, thumbnail] { ShowThumbnail(id, thumbnail); },
                                  Qt::QueuedConnection);
    });
}

void PhotoListModel::ShowThumbnail(uint64_t id, const QImage &thumbnail)
{
    const auto shown = std::find_if(m_shown.begin(), m_shown.end(), [id](const Row &row) { return row.id == id; });
    if (shown == m_shown.end())
        return; // the row left the list before its thumbnail was ready
    shown->thumbnail = thumbnail;
    const int row = static_cast<int>(shown - m_shown.begin());
    emit dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}

int PhotoListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int PhotoListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant PhotoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_shown.size()))
        return {};
    const Row &row = m_shown[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? QVariant() : QVariant(row.texts.value(index.column()));
    case Qt::DecorationRole:
        return index.column() == 0 && !row.thumbnail.isNull() ? QVariant(row.thumbnail) : QVariant();
    case Qt::SizeHintRole:
        return index.column() == 0 ? QVariant(m_thumbnailSize + QSize(5, 4)) : QVariant();
    case Qt::TextAlignmentRole:
        return Qt::AlignCenter;
    default:
        return {};
    }
}

QVariant PhotoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_headers.at(section);
    if (role == Qt::TextAlignmentRole)
        return Qt::AlignCenter;
    return {};
}
