#pragma once

#include "camera/Actions.h"

#include <QPushButton>

// A push button that raises its action, without an argument, when clicked.
class CActionButton : public QPushButton, public ActionSource
{
    Q_OBJECT
public:
    CActionButton(const QString &text, const std::string &action, QWidget *parent);
};
