#pragma once

#include "intake/SharedListModel.h"

#include <QImage>
#include <QStringList>
#include <QThreadPool>

// The pending and the printed list: column 0 shows the photo's thumbnail,
// the other columns hold texts. Worker threads (compositions, folder scans)
// and the page change it directly (see SharedListModel); thumbnails are
// decoded off the user-interface thread and shown when they are ready.
class PhotoListModel final : public SharedListModel
{
    Q_OBJECT

public:
    PhotoListModel(QStringList headers, QSize thumbnailSize, QObject *parent = nullptr);
    ~PhotoListModel() override;

    static QStringList PendingHeaders();
    static QStringList PrintedHeaders();

    // Inserts a row (index clamped to the list) and starts its thumbnail from the photo file.
    void InsertRow(int row, const QStringList &texts, const QString &photoPath);

    QSize ThumbnailSize() const { return m_thumbnailSize; }

    // The texts of every row in list order, read at one moment.
    std::vector<QStringList> Rows() const;

    QVariant data(const QModelIndex &index, int role) const override;

private:
    void StartThumbnail(Key key, const QString &photoPath);

    const QSize m_thumbnailSize;
    QThreadPool m_thumbnailPool; // decodes thumbnails off the user-interface thread
};
