#include "printing/PrinterSupply.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int kLowPrints = 20;
constexpr int kLowPercent = 10;

std::optional<int> PrintsInMessage(const QStringList &messages)
{
    // Drivers quote their messages in various ways; only the words count.
    static const QRegularExpression kRemaining(
        QStringLiteral("(\\d+)\\s+native\\s+prints?\\s+remaining\\s+on\\s+.*?\\b(media|ribbon)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    std::optional<int> fewest;
    for (const QString &message : messages) {
        for (auto match = kRemaining.globalMatch(message); match.hasNext();) {
            const int prints = match.next().captured(1).toInt();
            fewest = std::min(fewest.value_or(prints), prints);
        }
    }
    return fewest;
}

} // namespace

PrinterSupply ReadPrinterSupply(const PrinterMarkers &markers)
{
    PrinterSupply supply;
    supply.prints = PrintsInMessage(markers.messages);
    // The supply that runs out first speaks for the printer; negative levels are not known.
    for (size_t i = 0; i < markers.levels.size(); ++i) {
        const int level = markers.levels[i];
        if (level < 0 || level > 100 || (supply.percent && *supply.percent <= level))
            continue;
        supply.percent = level;
        supply.lowPercent.reset();
        if (i < markers.lowLevels.size() && markers.lowLevels[i] > 0 && markers.lowLevels[i] <= 100)
            supply.lowPercent = markers.lowLevels[i];
    }
    return supply;
}

QString SupplyText(const PrinterSupply &supply)
{
    if (supply.prints)
        return QStringLiteral("约 %1 张").arg(*supply.prints);
    if (supply.percent)
        return QStringLiteral("%1%").arg(*supply.percent);
    return QStringLiteral("—");
}

bool SupplyLow(const PrinterSupply &supply)
{
    if (supply.percent && supply.lowPercent)
        return *supply.percent < *supply.lowPercent;
    if (supply.prints)
        return *supply.prints < kLowPrints;
    return supply.percent && *supply.percent < kLowPercent;
}
