#pragma once

#include <QObject>

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
    QAbstractItemView &m_view;
    PrinterRegistry &m_registry;
    WorkModeDelegate *m_delegate;
};
