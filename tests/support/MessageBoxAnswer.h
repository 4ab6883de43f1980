#pragma once

#include <QMessageBox>
#include <QTimer>

#include <vector>

// While it lives, answers every message box that opens with the given
// button and records what each box showed.
class MessageBoxAnswer final
{
public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QString informativeText;
    };

    explicit MessageBoxAnswer(QMessageBox::StandardButton answer);

    const std::vector<Seen> &Boxes() const { return m_seen; }

private:
    void AnswerOpenBox();

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
    std::vector<Seen> m_seen;
};
