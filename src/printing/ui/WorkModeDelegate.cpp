#include "printing/ui/WorkModeDelegate.h"

#include "desk/PrinterListModel.h"
#include "desk/ProcessState.h"
#include "printing/PrinterRegistry.h"
#include "printing/WorkMode.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>

void WorkModeCombo::hidePopup()
{
    QComboBox::hidePopup();
    emit ClosedUp();
}

WorkModeDelegate::WorkModeDelegate(QAbstractItemView &view, PrinterRegistry &registry, MessageFunction showMessage)
    : QStyledItemDelegate(&view)
    , m_view(view)
    , m_registry(registry)
    , m_showMessage(std::move(showMessage))
{
    if (!m_showMessage) {
        m_showMessage = [this](const QString &text) {
            QMessageBox::information(&m_view, QApplication::applicationName(), text, QMessageBox::Ok);
        };
    }
    m_view.setItemDelegateForColumn(PrinterListModel::WorkModeColumn, this);
    connect(&m_registry, &PrinterRegistry::WorkModeEditorRequested, this, &WorkModeDelegate::Open);
    connect(&m_registry, &PrinterRegistry::WorkModeEditorCloseRequested, this, &WorkModeDelegate::Close);
}

QWidget *WorkModeDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *editor = new WorkModeCombo(parent);
    editor->setEditable(true);
    editor->setInsertPolicy(QComboBox::NoInsert);
    editor->addItems(WorkModeTexts());
    auto *self = const_cast<WorkModeDelegate *>(this);
    editor->installEventFilter(self);
    connect(editor, &WorkModeCombo::ClosedUp, self, [self] {
        // Decided after the list has finished closing, since deciding may destroy the editor.
        QMetaObject::invokeMethod(self, &WorkModeDelegate::Decide, Qt::QueuedConnection);
    });
    m_editor = editor;
    return editor;
}

void WorkModeDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<WorkModeCombo *>(editor);
    combo->setCurrentIndex(-1);
    combo->setEditText(index.data(Qt::DisplayRole).toString());
}

void WorkModeDelegate::setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const
{
    // The registry writes the cell when the editor closes.
}

void WorkModeDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const
{
    editor->setGeometry(option.rect.adjusted(1, 1, -1, -1));
}

bool WorkModeDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // The editor's last events come while it is being destroyed and no
    // longer is a combo; qobject_cast finds none then.
    const auto *combo = qobject_cast<WorkModeCombo *>(watched);
    if (combo && combo == m_editor && event->type() == QEvent::FocusOut && !m_showingMessage && !combo->view()->isVisible())
        QMetaObject::invokeMethod(this, &WorkModeDelegate::Close, Qt::QueuedConnection);
    return QStyledItemDelegate::eventFilter(watched, event);
}

void WorkModeDelegate::Open(int row)
{
    const QModelIndex index = m_view.model()->index(row, PrinterListModel::WorkModeColumn);
    if (m_editor && m_index == index) {
        m_editor->setFocus();
        return;
    }
    m_index = index;
    m_view.openPersistentEditor(index);
    if (m_editor) {
        m_editor->setFocus();
        m_editor->showPopup();
    }
}

void WorkModeDelegate::Close()
{
    if (!m_editor || m_closing)
        return;
    m_closing = true;
    const QString text = m_editor->currentText();
    m_view.closePersistentEditor(m_index);
    m_editor = nullptr;
    m_registry.OnEditorClosed(text);
    m_closing = false;
}

void WorkModeDelegate::Decide()
{
    if (!m_editor || m_closing)
        return;
    // Escape or a click beside the list while automatic printing runs chose
    // nothing: there is no change to refuse, and the editor just closes.
    if (m_editor->currentIndex() < 0 && AutoPrintRunning) {
        Close();
        return;
    }
    const auto decision = m_registry.DecideWorkMode(m_editor->currentIndex());
    if (decision == PrinterRegistry::ModeDecision::Stored)
        return;
    m_showingMessage = true;
    m_showMessage(WorkModeRefusal());
    m_showingMessage = false;
}
