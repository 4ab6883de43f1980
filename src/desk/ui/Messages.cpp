#include "desk/ui/Messages.h"

#include <QMessageBox>

namespace {

const QString kTitle = QStringLiteral("提示");

} // namespace

bool AskYesNo(QWidget *parent, const QString &question)
{
    QMessageBox box(QMessageBox::Question, kTitle, question, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void ShowNotice(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Information, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowNoticeLater(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Information, kTitle, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}
