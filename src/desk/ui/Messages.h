#pragma once

#include <QString>

class QWidget;

// The program's message boxes: every one is titled "提示".

// A question with Yes and No, No being the default; true for Yes.
bool AskYesNo(QWidget *parent, const QString &question);

// A notice with an OK button.
void ShowNotice(QWidget *parent, const QString &text);
