#include "intake/PhotoListModel.h"

#include "intake/Thumbnail.h"

PhotoListModel::PhotoListModel(QStringList headers, QSize thumbnailSize, QObject *parent)
    : SharedListModel(std::move(headers), parent)
    , m_thumbnailSize(thumbnailSize)
{
    m_thumbnailPool.setMaxThreadCount(1);
}

PhotoListModel::~PhotoListModel()
{
    CutLifeline();
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

void PhotoListModel::InsertRow(int row, const QStringList &texts, const QString &photoPath)
{
    StartThumbnail(InsertTexts(row, texts), photoPath);
}

std::vector<QStringList> PhotoListModel::Rows() const
{
    std::vector<QStringList> rows;
    for (auto &[key, texts] : KeyedTexts())
        rows.push_back(std::move(texts));
    return rows;
}

void PhotoListModel::StartThumbnail(Key key, const QString &photoPath)
{
    m_thumbnailPool.start([this, key, photoPath] {
        const QImage thumbnail = MakeThumbnail(photoPath, m_thumbnailSize);
        QMetaObject::invokeMethod(this, [this, key, thumbnail] { ShowImage(key, thumbnail); }, Qt::QueuedConnection);
    });
}

QVariant PhotoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0)
        return SharedListModel::data(index, role);
    // Column 0 is the thumbnail only.
    switch (role) {
    case Qt::DecorationRole: {
        const QImage thumbnail = ShownImage(index.row());
        return thumbnail.isNull() ? QVariant() : QVariant(thumbnail);
    }
    case Qt::SizeHintRole:
        return m_thumbnailSize + QSize(5, 4);
    case Qt::DisplayRole:
    case Qt::EditRole:
        return {};
    default:
        return SharedListModel::data(index, role);
    }
}
