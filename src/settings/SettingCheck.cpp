#include "settings/SettingCheck.h"

#include "compose/CanvasLimit.h"

#include <QRegularExpression>

namespace {

QString WithUnit(const NumberSetting &setting, qlonglong value)
{
    return QString::number(value) + setting.unit;
}

// The end of the message: the value used from now on.
QString UsedText(const NumberSetting &setting, const CheckedNumber &checked, bool changed)
{
    if (!checked.value)
        return QStringLiteral("未采用（没有可用的值）");
    return (changed ? QStringLiteral("已改用 ") : QStringLiteral("仍用 ")) + WithUnit(setting, *checked.value);
}

QString RangeText(const NumberSetting &setting)
{
    return QStringLiteral("%1–%2%3").arg(setting.min).arg(setting.max).arg(setting.unit);
}

} // namespace

CheckedNumber CheckNumber(const NumberSetting &setting, const QString &text, std::optional<int> inForce)
{
    const QString typed = text.trimmed();
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    if (!number.match(typed).hasMatch()) {
        CheckedNumber refused{inForce, {}};
        refused.message = QStringLiteral("%1“%2”不是数字，").arg(setting.name, typed) + UsedText(setting, refused, false);
        return refused;
    }
    bool fits = false;
    const qlonglong value = typed.toLongLong(&fits);
    // Digits beyond even 64 bits are far above any range.
    const bool below = fits ? value < setting.min : typed.startsWith(u'-');
    const bool above = fits ? value > setting.max : !below;
    if (!below && !above)
        return {static_cast<int>(value), {}};

    CheckedNumber checked{inForce, {}};
    if (setting.clampOutOfRange)
        checked.value = below ? setting.min : setting.max;
    checked.message = QStringLiteral("%1“%2”超出范围 %3，").arg(setting.name, typed, RangeText(setting))
        + UsedText(setting, checked, setting.clampOutOfRange);
    return checked;
}

namespace Settings {

NumberSetting PaperWidth()
{
    return {QStringLiteral("打印纸宽"), QStringLiteral(" mm"), MinPaperMm, MaxPaperMm, false};
}

NumberSetting PaperHeight()
{
    return {QStringLiteral("打印纸高"), QStringLiteral(" mm"), MinPaperMm, MaxPaperMm, false};
}

NumberSetting PictureQuality()
{
    return {QStringLiteral("质量"), QString(), 10, 100, true};
}

// The print delay holds every printer's printing phase: a minute is the most an event can wait.
NumberSetting WaitTime()
{
    return {QStringLiteral("自动打印等待时间"), QStringLiteral("秒"), 1, 60, true};
}

NumberSetting ThumbnailSize()
{
    return {QStringLiteral("缩略图大小"), QString(), 1, 15, true};
}

NumberSetting ThumbnailWaitPrintCount()
{
    return {QStringLiteral("待打印缩略图数量"), QString(), 50, 10000, true};
}

NumberSetting ThumbnailPrintedCount()
{
    return {QStringLiteral("已打印缩略图数量"), QString(), 100, 10000, true};
}

} // namespace Settings
