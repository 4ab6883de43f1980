#include "desk/ui/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace {

constexpr int DialogWidth = 900;
constexpr int DialogHeight = 560;

QString Ask(QFileDialog &dialog)
{
    dialog.resize(DialogWidth, DialogHeight);
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
