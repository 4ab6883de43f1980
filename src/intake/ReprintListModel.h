#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// One waiting reprint: which printed photo and how many copies are left.
struct ReprintRow
{
    QString id;       // row index of the photo in the printed list
    QString name;     // photo name without extension
    QString path;     // "Pic_R/" + pending file name
    QString quantity; // copies still to print

    bool operator==(const ReprintRow &) const = default;
};

// The reprint list, the queue of the reprint worker: row 0 is printed first.
// The page, the search thread, the worker and the automatic reprint threads
// all change it; each change is there at once for the next reader and is
// replayed to the views, in the same order, on the model's own thread.
// Every row also has a key that stays with it while rows above it come and
// go, so a thread that looked at a row can change that row later even when
// a priority request was put above it meanwhile.
class ReprintListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { IdColumn = 0, NameColumn = 1, PathColumn = 2, QuantityColumn = 3, ColumnCount = 4 };
    using Key = uint64_t;

    explicit ReprintListModel(QObject *parent = nullptr);

    static QStringList Headers();

    int RowCount() const;
    // The rows in list order, read at one moment.
    std::vector<ReprintRow> Rows() const;
    // A missing row reads as empty.
    std::optional<ReprintRow> Row(int row) const;
    QString Text(int row, int column) const;
    // A row and its key, read together.
    std::optional<std::pair<Key, ReprintRow>> KeyedRow(int row) const;
    // The key of a row, or nothing for a missing row; the row index of a key, -1 when gone.
    std::optional<Key> KeyOf(int row) const;
    int IndexOf(Key key) const;

    // Inserts at the index (clamped to the list) and returns the new row's key.
    Key InsertRow(int row, const ReprintRow &texts);
    void SetText(int row, int column, const QString &text);
    // Like SetText and RemoveRow, for the row with the key; false when it is gone.
    bool SetTextOf(Key key, int column, const QString &text);
    bool RemoveRowOf(Key key);
    void RemoveRow(int row);
    // Moves a row to the top; the others keep their order.
    void MoveRowToTop(int row);
    void Clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Entry
    {
        Key key = 0;
        QStringList texts;
    };

    int IndexOfLocked(Key key) const;
    void SetTextLocked(int row, int column, const QString &text);
    void RemoveRowLocked(int row);
    // Queues the same change of the shown rows; called under m_mutex so
    // the views go through the changes in the order they were made.
    void Replay(std::function<void()> change);

    mutable std::mutex m_mutex;
    std::vector<Entry> m_rows; // what the algorithms read, guarded by m_mutex
    Key m_nextKey = 1;

    std::vector<Entry> m_shown; // what the views show; the model's thread only
};
