#include "camera/ui/CActionButton.h"

CActionButton::CActionButton(const QString &text, const std::string &action, QWidget *parent) : QPushButton(text, parent)
{
    setCommandName(action);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { ActionSource::raise(); });
}
