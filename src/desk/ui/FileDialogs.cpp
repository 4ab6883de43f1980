#include "desk/ui/FileDialogs.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QStringList>
#include <QTreeView>

namespace {

constexpr int DialogWidth = 900;
constexpr int DialogHeight = 560;

// The detail view keeps fixed column widths whatever the dialog's size: the
// name takes the room left, the others fit what they show.
void FitColumns(QFileDialog &dialog)
{
    auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (details == nullptr)
        return;
    QHeaderView *header = details->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
}

QString Ask(QFileDialog &dialog)
{
    dialog.resize(DialogWidth, DialogHeight);
    FitColumns(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

} // namespace

QString AskOpenFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter)
{
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return Ask(dialog);
}

QString AskFolder(QWidget *parent, const QString &title)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return Ask(dialog);
}
