#pragma once

#include <QComboBox>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

#include <functional>

class PrinterRegistry;
class QAbstractItemView;

// The drop-down of the work-mode editor: says when its list closes up.
class WorkModeCombo final : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void hidePopup() override;

signals:
    void ClosedUp();
};

// The in-place work-mode editor of the printer list's column 4: a drop-down
// with the four modes in order (an item's index is its mode), opened and
// closed when the registry asks. Closing up the list decides; losing the
// focus closes without a decision.
class WorkModeDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using MessageFunction = std::function<void(const QString &)>;

    // `showMessage` shows a refusal; by default an OK message box titled with the application's name.
    WorkModeDelegate(QAbstractItemView &view, PrinterRegistry &registry, MessageFunction showMessage = {});

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The open editor, if any.
    WorkModeCombo *Editor() const { return m_editor; }

private:
    void Open(int row);
    void Close();
    void Decide();

    QAbstractItemView &m_view;
    PrinterRegistry &m_registry;
    MessageFunction m_showMessage;
    QPersistentModelIndex m_index;
    mutable QPointer<WorkModeCombo> m_editor;
    bool m_closing = false;
    bool m_showingMessage = false;
};
