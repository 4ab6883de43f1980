#include "compose/TemplateSettings.h"

#include "compose/PictureNumber.h"
#include "compose/TemplateSettingRanges.h"

#include "platform/DecimalText.h"
#include "platform/Profile.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

namespace {

const QString Section = QStringLiteral("TemplateSeting");
const QString Fallback = QStringLiteral("Error");

class SettingsReader final
{
public:
    explicit SettingsReader(const TemplateSettingsLookup &lookup)
        : m_lookup(lookup)
    {
    }

    QString Text(const QString &key) const { return m_lookup(key); }
    bool Flag(const QString &key) const { return DecimalValue(Text(key)) != 0; }
    bool One(const QString &key) const { return Text(key) == QStringLiteral("1"); }

    // A missing key reads as 0; a stored value is checked against its range,
    // and one not taken as stored is said.
    int Int(const QString &key, const NumberSetting &range, int inForce)
    {
        const auto checked = Checked(key, [&](const QString &text) { return CheckNumber(range, text, inForce); });
        return checked ? checked->value.value_or(inForce) : 0;
    }

    double Decimal(const QString &key, const DecimalSetting &range, double inForce)
    {
        const auto checked = Checked(key, [&](const QString &text) { return CheckDecimal(range, text, inForce); });
        return checked ? checked->value : 0.0;
    }

    QStringList Messages() const { return m_messages; }

private:
    // The stored text through its check, or nothing for a missing key.
    template <typename Check>
    auto Checked(const QString &key, const Check &check) -> std::optional<decltype(check(QString()))>
    {
        const QString text = Text(key);
        if (text == Fallback)
            return std::nullopt;
        auto checked = check(text);
        if (!checked.message.isEmpty())
            m_messages.append(checked.message);
        return checked;
    }

    const TemplateSettingsLookup &m_lookup;
    QStringList m_messages;
};

std::mutex reportMutex;
TemplateSettingsReport report;
QStringList lastSaid; // what the last load said, so a reload does not repeat it

} // namespace

TemplateSettings TemplateSettingsStore::Get() const
{
    std::lock_guard lock(m_mutex);
    return m_settings;
}

void TemplateSettingsStore::Set(const TemplateSettings &settings)
{
    std::lock_guard lock(m_mutex);
    m_settings = settings;
}

const QString &TemplateSettingsSection()
{
    return Section;
}

QStringList LoadTemplateSettings(TemplateSettings &settings, const std::filesystem::path &file)
{
    return ReadTemplateSettings(settings,
                                [&file](const QString &key) { return Profile::Read(file, Section, key, Fallback); });
}

QStringList ReadTemplateSettings(TemplateSettings &settings, const TemplateSettingsLookup &lookup)
{
    SettingsReader read(lookup);
    const QString proportion = read.Text(QStringLiteral("Proportion"));
    if (proportion == Fallback)
        return {};
    const TemplateSettings before = settings;
    settings.Proportion = static_cast<float>(read.Decimal(QStringLiteral("Proportion"), TemplateRanges::Proportion(), before.Proportion));
    settings.showNumber = read.Flag(QStringLiteral("showNumber"));
    settings.LeftRec = read.Int(QStringLiteral("LeftRec"), TemplateRanges::LeftRec(), before.LeftRec);
    settings.TopRec = read.Int(QStringLiteral("TopRec"), TemplateRanges::TopRec(), before.TopRec);
    settings.TextSize = read.Int(QStringLiteral("TextSize"), TemplateRanges::TextSize(), before.TextSize);
    settings.TextColor = read.Int(QStringLiteral("TextColor"), TemplateRanges::TextColor(), before.TextColor);
    settings.PrintPictureIdentification = read.Int(QStringLiteral("PrintPictureIdentification"),
                                                   TemplateRanges::PrintPictureIdentification(),
                                                   before.PrintPictureIdentification);
    settings.TextBgTransparent = read.Text(QStringLiteral("TextBgColor")) == QStringLiteral("Ts");
    if (!settings.TextBgTransparent)
        settings.TextBgColor = read.Int(QStringLiteral("TextBgColor"), TemplateRanges::TextBgColor(), before.TextBgColor);
    settings.TextLeftMargin = read.Decimal(QStringLiteral("TextLeftMargin"), TemplateRanges::TextLeftMargin(), before.TextLeftMargin);
    settings.TextTopMargin = read.Decimal(QStringLiteral("TextTopMargin"), TemplateRanges::TextTopMargin(), before.TextTopMargin);
    settings.SampleImageWidth = read.Int(QStringLiteral("SampleImageWidth"), TemplateRanges::SampleImageWidth(), before.SampleImageWidth);
    settings.SampleImageHeight = read.Int(QStringLiteral("SampleImageHeight"), TemplateRanges::SampleImageHeight(), before.SampleImageHeight);
    settings.AutoSizeForSampleImage = read.One(QStringLiteral("AutoSizeForSampleImage"));
    settings.AutoRotationForSampleImage = read.One(QStringLiteral("AutoRotationForSampleImage"));
    return read.Messages();
}

double DecimalNumberValue(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(0).toDouble() : 0.0;
}

void LoadTemplateSettings()
{
    TemplateSettings settings = CurrentTemplateSettings.Get();
    const QStringList messages = LoadTemplateSettings(settings);
    CurrentTemplateSettings.Set(settings);
    TemplateReloadRequested = false;

    std::lock_guard lock(reportMutex);
    if (messages == lastSaid)
        return;
    lastSaid = messages;
    if (report && !messages.isEmpty())
        report(messages.join(QStringLiteral("；")));
}

void SetTemplateSettingsReport(TemplateSettingsReport newReport)
{
    std::lock_guard lock(reportMutex);
    report = std::move(newReport);
}

void ReportTemplateSettings(const QStringList &messages)
{
    std::lock_guard lock(reportMutex);
    if (report && !messages.isEmpty())
        report(messages.join(QStringLiteral("；")));
}

QRgb ColorFromStored(int stored)
{
    return qRgb(stored & 0xFF, (stored >> 8) & 0xFF, (stored >> 16) & 0xFF);
}

void ResetComposeStateForTests()
{
    CurrentTemplateSettings.Set(TemplateSettings{});
    NewTemplateChosen = false;
    TemplateReloadRequested = false;
    PictureCounter = 0;
    std::lock_guard lock(reportMutex);
    lastSaid.clear();
}
