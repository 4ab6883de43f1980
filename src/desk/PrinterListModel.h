#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <mutex>
#include <vector>

// The rows of the printer list: seven column texts, a check mark and a mark
// for a printer running low per row.
// The algorithms read and write the texts the way they would read a list
// control; the view only shows them. Texts and check marks may be set from
// any thread; the views hear of it on the model's own thread.
class PrinterListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, StatusColumn, FileColumn, PrintedColumn, WorkModeColumn, PaperColumn, RemainingColumn,
                  ColumnCount };

    explicit PrinterListModel(QObject *parent = nullptr);

    static QStringList ColumnTitles();

    // Appends a row with the given column texts; call on the model's thread.
    int AppendRow(const QStringList &texts);
    void Clear();

    int RowCount() const;
    QString Text(int row, int column) const;
    void SetText(int row, int column, const QString &text);
    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    // A marked row stands out: its printer is running low.
    bool IsMarked(int row) const;
    void SetMarked(int row, bool marked);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    // A check mark changed, by the view or by code: (row, previously checked, now checked).
    void CheckChanged(int row, bool wasChecked, bool isChecked);

private:
    struct Row
    {
        QStringList texts;
        bool checked = false;
        bool marked = false;
    };

    void NotifyChanged(int row, int column, int lastColumn = -1);

    mutable std::mutex m_mutex;
    std::vector<Row> m_rows;
};
