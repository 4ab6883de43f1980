#include "tests/support/MessageBoxAnswer.h"

#include <QApplication>
#include <QPushButton>

MessageBoxAnswer::MessageBoxAnswer(QMessageBox::StandardButton answer)
    : m_answer(answer)
{
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { AnswerOpenBox(); });
    m_timer.start();
}

void MessageBoxAnswer::AnswerOpenBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    QPushButton *defaultButton = box->defaultButton();
    m_seen.push_back({box->windowTitle(), box->text(), box->standardButtons(),
                      defaultButton ? box->standardButton(defaultButton) : QMessageBox::NoButton, box->informativeText()});
    QAbstractButton *button = box->button(m_answer);
    if (button)
        button->click();
    else
        box->reject();
}
