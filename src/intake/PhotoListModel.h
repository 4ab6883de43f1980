#pragma once

#include <QAbstractTableModel>
#include <QImage>
#include <QStringList>
#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// A list of photo rows that worker threads and the page both work on, the
// way they would work on a list control: a row inserted by a composition
// thread is there at once for the next reader, under the caller's list lock.
// The views see the same changes, in the same order, on the model's own
// thread: every change is applied to the rows the algorithms read at once and
// replayed to the shown rows through a queued call.
// Column 0 shows the row's thumbnail; the other columns hold texts.
class PhotoListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    PhotoListModel(QStringList headers, QSize thumbnailSize, QObject *parent = nullptr);
    ~PhotoListModel() override;

    static QStringList PendingHeaders();
    static QStringList PrintedHeaders();

    int RowCount() const;
    // Column texts; column 0 holds no text. A missing row reads as empty.
    QString Text(int row, int column) const;
    void SetText(int row, int column, const QString &text);
    // Inserts a row (index clamped to the list) and starts its thumbnail from the photo file.
    void InsertRow(int row, const QStringList &texts, const QString &photoPath);
    void RemoveRow(int row);
    void Clear();

    QSize ThumbnailSize() const { return m_thumbnailSize; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row
    {
        uint64_t id = 0;
        QStringList texts;
        QImage thumbnail;
    };

    // Queues a change of the shown rows; called under m_mutex so the shown
    // rows go through the same changes in the same order.
    void Replay(std::function<void()> change);
    void StartThumbnail(uint64_t id, const QString &photoPath);
    void ShowThumbnail(uint64_t id, const QImage &thumbnail);

    const QStringList m_headers;
    const QSize m_thumbnailSize;

    mutable std::mutex m_mutex;
    std::vector<Row> m_rows; // what the algorithms read, guarded by m_mutex
    uint64_t m_nextId = 1;

    std::vector<Row> m_shown; // what the views show; the model's thread only
    QThreadPool m_thumbnailPool;  // decodes thumbnails off the user-interface thread
};
