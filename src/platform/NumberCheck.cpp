#include "platform/NumberCheck.h"

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

CheckedDecimal CheckDecimal(const DecimalSetting &setting, const QString &text, double inForce)
{
    const QString typed = text.trimmed();
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (!number.match(typed).hasMatch())
        return {inForce, QStringLiteral("%1“%2”不是数字，仍用 %3").arg(setting.name, typed, QString::number(inForce))};
    const double value = typed.toDouble();
    if (value >= setting.min && value <= setting.max)
        return {value, {}};
    const double used = value < setting.min ? setting.min : setting.max;
    return {used, QStringLiteral("%1“%2”超出范围 %3–%4，已改用 %5")
                      .arg(setting.name, typed, QString::number(setting.min), QString::number(setting.max),
                           QString::number(used))};
}
