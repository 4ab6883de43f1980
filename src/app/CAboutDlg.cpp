#include "app/CAboutDlg.h"

#include "app/ProgramIcon.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 Vellora"));
    auto *icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(64, 64));
    auto *title = new QLabel(QStringLiteral("Vellora %1").arg(QStringLiteral(VELLORA_VERSION)), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignCenter);
    layout->addWidget(title, 0, Qt::AlignCenter);
    layout->addWidget(buttons);
}
