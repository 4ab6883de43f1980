#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QVariant>

class PrinterRegistry;
class QAbstractItemView;
class WorkModeDelegate;

// Connects a printer list view to the registry: clicks, double clicks and
// right clicks on cells, clicks outside the rows, and the work-mode editor of
// column 4. Lives as long as the view.
class PrinterListBinding final : public QObject
{
    Q_OBJECT

public:
    PrinterListBinding(QAbstractItemView &view, PrinterRegistry &registry);

    WorkModeDelegate &Delegate() const { return *m_delegate; }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool CheckBoxToggled(const QModelIndex &index) const;
    bool OnCheckBox(const QModelIndex &index) const;

    QAbstractItemView &m_view;
    QWidget *const m_viewport;
    PrinterRegistry &m_registry;
    WorkModeDelegate *m_delegate;
    // The cell under the last press and its check mark then: a click whose
    // mark changed on the way was a click on the check box, which the view
    // has already toggled.
    QPersistentModelIndex m_pressed;
    QVariant m_checkAtPress;
    QPoint m_pressPosition;
};
