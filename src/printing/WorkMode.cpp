#include "printing/WorkMode.h"

QStringList WorkModeTexts()
{
    return {QStringLiteral("随机"), QStringLiteral("打新"), QStringLiteral("补打"), QStringLiteral("待命")};
}

QString WorkModeText(int32_t mode)
{
    const QStringList texts = WorkModeTexts();
    return mode >= 0 && mode < texts.size() ? texts[mode] : QString();
}

QString WorkModeRefusal()
{
    return QStringLiteral("请先暂停自动打印，等打印机处于 空闲 状态才能更改工作模式。");
}

void ResetWorkModeForTests()
{
    StandbyInUse = false;
}
