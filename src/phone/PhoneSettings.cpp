#include "phone/PhoneSettings.h"

#include "platform/DecimalText.h"
#include "platform/Profile.h"

#include <QRandomGenerator>

namespace {

const QString Section = QStringLiteral("Phone");
const QString Missing = QStringLiteral("Error");

constexpr int LargestMaxCopies = 99;

int ReadNumber(const QString &key, int builtIn, int lowest, int highest)
{
    const QString text = Profile::Read(PhoneSettingsFile, Section, key, Missing);
    if (text == Missing)
        return builtIn;
    const int value = DecimalValue(text);
    return value >= lowest && value <= highest ? value : builtIn;
}

} // namespace

PhoneSettings LoadPhoneSettings()
{
    PhoneSettings settings;
    settings.port = ReadNumber(QStringLiteral("port"), settings.port, 1, 65535);
    settings.maxCopies = ReadNumber(QStringLiteral("max_copies"), settings.maxCopies, 1, LargestMaxCopies);
    settings.gallery = ReadNumber(QStringLiteral("gallery"), 0, 0, 1) == 1;
    settings.eventKey = Profile::Read(PhoneSettingsFile, Section, QStringLiteral("key"), Missing);
    if (!IsEventKey(settings.eventKey)) {
        settings.eventKey = MakeEventKey();
        Profile::Write(PhoneSettingsFile, Section, QStringLiteral("key"), settings.eventKey);
    }
    return settings;
}

bool SavePhoneSettings(const PhoneSettings &settings)
{
    return Profile::Write(PhoneSettingsFile, Section, QStringLiteral("port"), QString::number(settings.port))
        && Profile::Write(PhoneSettingsFile, Section, QStringLiteral("max_copies"), QString::number(settings.maxCopies))
        && Profile::Write(PhoneSettingsFile, Section, QStringLiteral("gallery"), settings.gallery ? QStringLiteral("1") : QStringLiteral("0"))
        && Profile::Write(PhoneSettingsFile, Section, QStringLiteral("key"), settings.eventKey);
}

QString MakeEventKey()
{
    QString key;
    for (int i = 0; i < 4; ++i)
        key += QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    return key;
}

bool IsEventKey(const QString &key)
{
    if (key.size() != 32)
        return false;
    for (const QChar c : key)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    return true;
}
