#pragma once

#include "intake/SharedListModel.h"

#include <QStringList>

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
// There is one in the program: it keeps the process-wide reprint counts.
// The page, the search thread, the worker and the automatic reprint threads
// all change it; rows keep their keys, so a thread that looked at a row can
// change that row later even when a priority request was put above it meanwhile.
class ReprintListModel final : public SharedListModel
{
    Q_OBJECT

public:
    enum Column { IdColumn = 0, NameColumn = 1, PathColumn = 2, QuantityColumn = 3, ColumnCount = 4 };

    explicit ReprintListModel(QObject *parent = nullptr);
    ~ReprintListModel() override;

    static QStringList Headers();

    // The rows in list order, read at one moment.
    std::vector<ReprintRow> Rows() const;
    // A missing row reads as empty.
    std::optional<ReprintRow> Row(int row) const;
    // A row and its key, read together.
    std::optional<std::pair<Key, ReprintRow>> KeyedRow(int row) const;

    // Inserts at the index (clamped to the list) and returns the new row's key.
    Key InsertRow(int row, const ReprintRow &texts);

protected:
    // The status line's counts are the list's own: ReprintFileCount is its
    // rows, ReprintTotalCount the sum of its quantities, whoever changed it.
    void RowsChangedLocked() override;
};
