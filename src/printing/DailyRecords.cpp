#include "printing/DailyRecords.h"

#include "platform/Clock.h"
#include "platform/DecimalText.h"

namespace {

std::filesystem::path ConfigFile(const QString &stamp, QLatin1StringView suffix)
{
    return std::filesystem::path("Config") / (stamp + suffix).toStdString();
}

} // namespace

QString TodayStamp()
{
    return Clock::Now().date().toString(QStringLiteral("yyyyMMdd"));
}

std::filesystem::path PrintRecordFile(const QString &stamp)
{
    return ConfigFile(stamp, QLatin1StringView(".vellora"));
}

std::filesystem::path PrinterCountFile(const QString &stamp)
{
    return ConfigFile(stamp, QLatin1StringView("PT.vellora"));
}

std::filesystem::path ReprintListFile(const QString &stamp)
{
    return ConfigFile(stamp, QLatin1StringView("APT.vellora"));
}

QString CountLine(const QString &name, int count)
{
    return name + QLatin1Char(':') + QString::number(count) + QLatin1Char(';');
}

CountRecord ParseCountLine(QStringView line)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {};
    return {line.left(colon).toString(), DecimalValue(line.mid(colon + 1))};
}
