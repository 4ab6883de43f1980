#include "TemplateSettings.h"

#include "DecimalText.h"
#include "Profile.h"

#include <QRegularExpression>
#include <QString>

namespace {

const QString Section = QStringLiteral("TemplateSeting");
const QString Fallback = QStringLiteral("Error");

class SettingsReader final
{
public:
    explicit SettingsReader(const std::filesystem::path &file)
        : m_file(file)
    {
    }

    QString Text(const QString &key) const { return Profile::Read(m_file, Section, key, Fallback); }
    int Int(const QString &key) const { return DecimalValue(Text(key)); }
    bool Flag(const QString &key) const { return Int(key) != 0; }
    bool One(const QString &key) const { return Text(key) == QStringLiteral("1"); }
    // A text that is not a number reads as 0, like the missing key's "Error".
    double Decimal(const QString &key) const { return LeadingNumber(Text(key)); }

private:
    // The leading decimal number of a text, always with "." as the point.
    static double LeadingNumber(const QString &text)
    {
        static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
        const QRegularExpressionMatch match = number.match(text);
        return match.hasMatch() ? match.captured(0).toDouble() : 0.0;
    }

    std::filesystem::path m_file;
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

void LoadTemplateSettings(TemplateSettings &settings, const std::filesystem::path &file)
{
    const SettingsReader read(file);
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
