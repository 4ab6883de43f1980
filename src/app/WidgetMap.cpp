#include "app/WidgetMap.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTextStream>
#include <QWidget>

namespace {

constexpr int kIntervalMs = 250;
constexpr int kMostRows = 200;

QString OneLine(QString text)
{
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QString WidgetText(const QWidget &widget)
{
    if (widget.isWindow())
        return OneLine(widget.windowTitle());
    if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
        return OneLine(button->text());
    if (const auto *label = qobject_cast<const QLabel *>(&widget))
        return OneLine(label->text());
    if (const auto *field = qobject_cast<const QLineEdit *>(&widget))
        return OneLine(field->text());
    return {};
}

QString Place(const QRect &local, const QWidget &widget)
{
    const QPoint topLeft = widget.mapToGlobal(local.topLeft());
    return QStringLiteral("%1\t%2\t%3\t%4").arg(topLeft.x()).arg(topLeft.y()).arg(local.width()).arg(local.height());
}

// The check box of a checkable cell, where the view's style draws it.
QRect CheckBoxRect(const QAbstractItemView &view, const QModelIndex &index, const QRect &cell)
{
    QStyleOptionViewItem option;
    option.initFrom(view.viewport());
    option.rect = cell;
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = index.data().toString();
    return view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view);
}

void WriteCells(QTextStream &out, const QAbstractItemView &view)
{
    const QAbstractItemModel *model = view.model();
    if (!model)
        return;
    const QModelIndex root = view.rootIndex();
    const QRect visible = view.viewport()->rect();
    const QString name = view.objectName();
    for (int row = 0; row < std::min(model->rowCount(root), kMostRows); ++row) {
        for (int column = 0; column < model->columnCount(root); ++column) {
            const QModelIndex index = model->index(row, column, root);
            const QRect cell = view.visualRect(index);
            if (!cell.isValid() || !visible.intersects(cell))
                continue;
            const QVariant check = index.data(Qt::CheckStateRole);
            const int state = check.isValid() ? check.toInt() : -1;
            out << "item\t" << name << '\t' << row << '\t' << column << '\t' << OneLine(index.data().toString())
                << '\t' << state << '\t' << Place(cell, *view.viewport()) << '\n';
            if (check.isValid())
                out << "check\t" << name << '\t' << row << '\t' << column << '\t' << state << '\t'
                    << Place(CheckBoxRect(view, index, cell), *view.viewport()) << '\n';
        }
    }
}

void WriteWidget(QTextStream &out, const QWidget &widget)
{
    if (!widget.isVisible())
        return;
    out << "widget\t" << widget.metaObject()->className() << '\t' << widget.objectName() << '\t' << WidgetText(widget)
        << '\t' << Place(widget.rect(), widget) << '\n';
    if (const auto *view = qobject_cast<const QAbstractItemView *>(&widget))
        WriteCells(out, *view);
    for (const QObject *child : widget.children())
        if (const auto *childWidget = qobject_cast<const QWidget *>(child))
            WriteWidget(out, *childWidget);
}

} // namespace

WidgetMap *WidgetMap::StartFromEnvironment(QObject *parent)
{
    const QString path = qEnvironmentVariable("VELLORA_WIDGET_MAP");
    return path.isEmpty() ? nullptr : new WidgetMap(path, parent);
}

WidgetMap::WidgetMap(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
    connect(&m_timer, &QTimer::timeout, this, &WidgetMap::Write);
    m_timer.start(kIntervalMs);
}

void WidgetMap::Write() const
{
    QString text;
    QTextStream out(&text);
    for (const QWidget *window : QApplication::topLevelWidgets())
        WriteWidget(out, *window);
    if (const QWidget *focus = QApplication::focusWidget())
        out << "focus\t" << focus->metaObject()->className() << '\t' << focus->objectName() << '\n';
    out.flush();
    const QString part = m_path + QStringLiteral(".part");
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(text.toUtf8());
    file.close();
    QFile::remove(m_path);
    QFile::rename(part, m_path);
}
