#pragma once

#include <QString>

class QWidget;

// The program's message boxes: every one is titled "提示".

// A question with Yes and No, No being the default; true for Yes.
bool AskYesNo(QWidget *parent, const QString &question);

// A notice with an OK button.
void ShowNotice(QWidget *parent, const QString &text);

// A notice with an OK button that does not wait: the box shows and the
// caller goes on at once (no nested event loop), so a timer or start-up
// step that raises it never holds the one-second scheduler. The box closes
// itself when OK is pressed.
void ShowNoticeLater(QWidget *parent, const QString &text);
