#include "compose/TemplateSettings.h"

#include "compose/PictureNumber.h"

#include "platform/DecimalText.h"
#include "platform/Profile.h"

#include <QRegularExpression>
#include <QString>

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
    int Int(const QString &key) const { return DecimalValue(Text(key)); }
    bool Flag(const QString &key) const { return Int(key) != 0; }
    bool One(const QString &key) const { return Text(key) == QStringLiteral("1"); }
    // A text that is not a number reads as 0, like the missing key's "Error".
    double Decimal(const QString &key) const { return DecimalNumberValue(Text(key)); }

private:
    const TemplateSettingsLookup &m_lookup;
};

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

void LoadTemplateSettings(TemplateSettings &settings, const std::filesystem::path &file)
{
    ReadTemplateSettings(settings, [&file](const QString &key) { return Profile::Read(file, Section, key, Fallback); });
}

void ReadTemplateSettings(TemplateSettings &settings, const TemplateSettingsLookup &lookup)
{
    const SettingsReader read(lookup);
    const QString proportion = read.Text(QStringLiteral("Proportion"));
    if (proportion == Fallback)
        return;
    settings.Proportion = static_cast<float>(read.Decimal(QStringLiteral("Proportion")));
    settings.showNumber = read.Flag(QStringLiteral("showNumber"));
    settings.LeftRec = read.Int(QStringLiteral("LeftRec"));
    settings.TopRec = read.Int(QStringLiteral("TopRec"));
    settings.TextSize = read.Int(QStringLiteral("TextSize"));
    settings.TextColor = read.Int(QStringLiteral("TextColor"));
    settings.PrintPictureIdentification = read.Int(QStringLiteral("PrintPictureIdentification"));
    const QString background = read.Text(QStringLiteral("TextBgColor"));
    settings.TextBgTransparent = background == QStringLiteral("Ts");
    if (!settings.TextBgTransparent)
        settings.TextBgColor = DecimalValue(background);
    settings.TextLeftMargin = read.Decimal(QStringLiteral("TextLeftMargin"));
    settings.TextTopMargin = read.Decimal(QStringLiteral("TextTopMargin"));
    settings.SampleImageWidth = read.Int(QStringLiteral("SampleImageWidth"));
    settings.SampleImageHeight = read.Int(QStringLiteral("SampleImageHeight"));
    settings.AutoSizeForSampleImage = read.One(QStringLiteral("AutoSizeForSampleImage"));
    settings.AutoRotationForSampleImage = read.One(QStringLiteral("AutoRotationForSampleImage"));
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
    LoadTemplateSettings(settings);
    CurrentTemplateSettings.Set(settings);
    TemplateReloadRequested = false;
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
}
