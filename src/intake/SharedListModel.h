#pragma once

#include "platform/Lifeline.h"

#include <QAbstractTableModel>
#include <QImage>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// A list that worker threads and the page both work on, the way they would
// work on a list control: a row a thread inserts is there at once for the
// next reader, under the caller's own list lock. The views see the same
// changes, in the same order, on the model's own thread: every change is
// applied to the rows the algorithms read at once and replayed to the shown
// rows through a queued call posted under the same lock.
// Every row has a key that stays with it while rows above it come and go, so
// a thread that looked at a row can find it again later.
class SharedListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using Key = uint64_t;

    explicit SharedListModel(QStringList headers, QObject *parent = nullptr);

    int RowCount() const;
    // A missing row or column reads as empty.
    QString Text(int row, int column) const;
    // The key of a row, or nothing for a missing row; the row index of a key, -1 when gone.
    std::optional<Key> KeyOf(int row) const;
    int IndexOf(Key key) const;

    void SetText(int row, int column, const QString &text);
    // Like SetText and RemoveRow, for the row with the key; false when it is gone.
    bool SetTextOf(Key key, int column, const QString &text);
    bool RemoveRowOf(Key key);
    void RemoveRow(int row);
    // Moves a row to the top; the others keep their order.
    void MoveRowToTop(int row);
    void Clear();

    // The way back to the list for callbacks of workers its owner does not
    // wait for (print jobs): they change it only through this hold.
    Lifeline::Hold Holder() const { return m_lifeline.Holder(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    // The final class cuts the lifeline first thing in its destructor, while
    // all of the list still stands.
    void CutLifeline() { m_lifeline.Cut(); }

    // Inserts a row at the index (clamped to the list) and returns its key.
    Key InsertTexts(int row, QStringList texts);
    // The texts of every row with its key, read at one moment.
    std::vector<std::pair<Key, QStringList>> KeyedTexts() const;
    std::optional<std::pair<Key, QStringList>> KeyedTextsAt(int row) const;

    // Called under the list's lock after every change of its rows, on the
    // changing thread, so a count kept beside the list never disagrees with
    // it. May read the rows through the two functions below, nothing else.
    virtual void RowsChangedLocked() {}
    int RowCountLocked() const { return static_cast<int>(m_rows.size()); }
    const QStringList &TextsLocked(int row) const { return m_rows[row].texts; }

    // The picture a shown row carries (a thumbnail); set on the model's thread.
    void ShowImage(Key key, const QImage &image);
    QImage ShownImage(int row) const;

private:
    struct Row
    {
        Key key = 0;
        QStringList texts;
        QImage image;
    };

    int IndexOfLocked(Key key) const;
    void SetTextLocked(int row, int column, const QString &text);
    void RemoveRowLocked(int row);
    void Replay(std::function<void()> change);

    const QStringList m_headers;

    mutable std::mutex m_mutex;
    std::vector<Row> m_rows; // what the algorithms read, guarded by m_mutex
    Key m_nextKey = 1;

    std::vector<Row> m_shown; // what the views show; the model's thread only
    Lifeline m_lifeline;
};
