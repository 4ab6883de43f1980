#include "printing/ui/PrinterListBinding.h"

#include "printing/PrinterRegistry.h"
#include "printing/ui/WorkModeDelegate.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QMouseEvent>

PrinterListBinding::PrinterListBinding(QAbstractItemView &view, PrinterRegistry &registry)
    : QObject(&view)
    , m_view(view)
    , m_registry(registry)
    , m_delegate(new WorkModeDelegate(view, registry))
{
    m_view.setContextMenuPolicy(Qt::CustomContextMenu);
    m_view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view.viewport()->installEventFilter(this);
    connect(&m_view, &QAbstractItemView::clicked, &m_registry,
            [this](const QModelIndex &index) { m_registry.OnClicked(index.row(), index.column()); });
    connect(&m_view, &QAbstractItemView::doubleClicked, &m_registry,
            [this](const QModelIndex &index) { m_registry.OnDoubleClicked(index.row(), index.column()); });
    connect(&m_view, &QWidget::customContextMenuRequested, &m_registry, [this](const QPoint &position) {
        const QModelIndex index = m_view.indexAt(position);
        if (!index.isValid())
            return;
        // The printer's name opens its preferences; the rest of the row offers the row's actions.
        if (index.column() == 0) {
            m_registry.OnRightClicked(index.row(), index.column());
            return;
        }
        QMenu menu(&m_view);
        const QAction *resume = menu.addAction(QStringLiteral("恢复打印机"));
        if (menu.exec(m_view.viewport()->mapToGlobal(position)) == resume)
            m_registry.ResumePrinter(index.row());
    });
}

bool PrinterListBinding::eventFilter(QObject *watched, QEvent *event)
{
    // A press below the last row closes an open work-mode editor.
    if (watched == m_view.viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (!m_view.indexAt(press->position().toPoint()).isValid())
            m_registry.OnClicked(-1, -1);
    }
    return QObject::eventFilter(watched, event);
}
