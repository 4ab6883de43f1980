#include "printing/ui/PrinterListBinding.h"

#include "printing/PrinterRegistry.h"
#include "printing/ui/WorkModeDelegate.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

PrinterListBinding::PrinterListBinding(QAbstractItemView &view, PrinterRegistry &registry)
    : QObject(&view)
    , m_view(view)
    , m_viewport(view.viewport())
    , m_registry(registry)
    , m_delegate(new WorkModeDelegate(view, registry))
{
    m_view.setContextMenuPolicy(Qt::CustomContextMenu);
    m_view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_viewport->installEventFilter(this);
    connect(&m_view, &QAbstractItemView::clicked, &m_registry,
            [this](const QModelIndex &index) {
                m_registry.OnClicked(index.row(), index.column(), CheckBoxToggled(index));
            });
    connect(&m_view, &QAbstractItemView::doubleClicked, &m_registry, [this](const QModelIndex &index) {
        // A double click on the box toggles it twice through the view; only one on the name toggles here.
        if (!CheckBoxToggled(index) && !OnCheckBox(index))
            m_registry.OnDoubleClicked(index.row(), index.column());
    });
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
    // Compared with the viewport kept at the start: the filter still sees
    // the viewport's last events while the view's own parts are destroyed.
    if (watched == m_viewport
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const auto *press = static_cast<QMouseEvent *>(event);
        const QModelIndex index = m_view.indexAt(press->position().toPoint());
        m_pressed = index;
        m_checkAtPress = index.data(Qt::CheckStateRole);
        m_pressPosition = press->position().toPoint();
        if (!index.isValid() && event->type() == QEvent::MouseButtonPress)
            m_registry.OnClicked(-1, -1);
    }
    return QObject::eventFilter(watched, event);
}

bool PrinterListBinding::CheckBoxToggled(const QModelIndex &index) const
{
    return index.isValid() && index == m_pressed && m_checkAtPress.isValid()
        && index.data(Qt::CheckStateRole) != m_checkAtPress;
}

bool PrinterListBinding::OnCheckBox(const QModelIndex &index) const
{
    if (!index.isValid() || index != m_pressed || !m_checkAtPress.isValid())
        return false;
    QStyleOptionViewItem option;
    option.initFrom(m_view.viewport());
    option.rect = m_view.visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = index.data().toString();
    return m_view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &m_view).contains(m_pressPosition);
}
