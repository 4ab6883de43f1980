#include "compose/TemplateForm.h"

#include "compose/TemplateSettingRanges.h"

#include "platform/DecimalText.h"
#include "platform/FileIo.h"
#include "platform/Profile.h"

#include <cmath>
#include <system_error>
#include <utility>
#include <vector>

namespace {

using StoredKeys = std::vector<std::pair<QString, QString>>;

QString FlagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// A photo corner of 0 would mean "the default place" to the composition; the
// dialog stores -1 instead, just off the paper's corner.
QString PhotoMarginText(const QString &field)
{
    return DecimalValue(field) == 0 ? QStringLiteral("-1") : field;
}

// The keys saving writes, in the order they are written.
StoredKeys FormKeys(const TemplateForm &form, QSize sampleSize)
{
    StoredKeys keys;
    const auto put = [&keys](const char *key, QString value) { keys.emplace_back(QString::fromLatin1(key), std::move(value)); };
    put("showNumber", FlagText(form.print));
    if (form.print) {
        put("TextColor", QString::number(form.textColor));
        put("TextBgColor", form.transparent ? QStringLiteral("Ts") : QString::number(form.backgroundColor));
        put("TextLeftMargin", QString::asprintf("%.04f", form.labelLeft));
        put("TextTopMargin", QString::asprintf("%.04f", form.labelTop));
        put("TextSize", form.textSize);
        put("PrintPictureIdentification", QString::number(form.labelKind));
    }
    if (sampleSize.width() > 0 && sampleSize.height() > 0) {
        put("SampleImageWidth", QString::number(sampleSize.width()));
        put("SampleImageHeight", QString::number(sampleSize.height()));
    }
    put("LeftRec", PhotoMarginText(form.leftMargin));
    put("TopRec", PhotoMarginText(form.topMargin));
    put("Proportion", form.scale);
    put("AutoSizeForSampleImage", FlagText(form.autoSize));
    put("AutoRotationForSampleImage", FlagText(form.autoRotation));
    return keys;
}

// Writes the section into `scratch`, a copy of the settings file.
bool WriteSection(const std::filesystem::path &scratch, const StoredKeys &keys)
{
    const QString &section = TemplateSettingsSection();
    if (!Profile::DeleteSection(scratch, section))
        return false;
    for (const auto &[key, value] : keys) {
        if (!Profile::Write(scratch, section, key, value))
            return false;
    }
    return true;
}

} // namespace

TemplateForm FillTemplateForm(TemplateSettings &settings, bool newTemplateChosen)
{
    TemplateForm form;
    form.labelKind = settings.PrintPictureIdentification;
    if (newTemplateChosen) {
        form.scale = QStringLiteral("0.5");
        form.textSize = QStringLiteral("13");
        form.leftMargin = form.topMargin = QStringLiteral("23");
        return form;
    }
    form.scale = QString::asprintf("%0.2f", settings.Proportion);
    form.print = settings.showNumber;
    if (settings.TextSize == 0 && settings.showNumber)
        settings.TextSize = 13;
    form.textSize = QString::number(settings.TextSize);
    form.leftMargin = QString::number(settings.LeftRec);
    form.topMargin = QString::number(settings.TopRec);
    form.transparent = settings.TextBgTransparent;
    form.textColor = settings.TextColor;
    form.backgroundColor = settings.TextBgColor;
    form.autoSize = settings.AutoSizeForSampleImage;
    form.autoRotation = settings.AutoRotationForSampleImage;
    form.labelLeft = settings.TextLeftMargin;
    form.labelTop = settings.TextTopMargin;
    return form;
}

QString MarginText(const QString &typed)
{
    return QString::number(DecimalValue(typed));
}

QStringList CheckTemplateForm(TemplateForm &form, const TemplateSettings &inForce)
{
    QStringList messages;
    const auto number = [&messages](QString &field, const NumberSetting &range, int value) {
        const CheckedNumber checked = CheckNumber(range, field, value);
        if (checked.message.isEmpty())
            return;
        field = QString::number(checked.value.value_or(value));
        messages.append(checked.message);
    };
    const CheckedDecimal scale = CheckDecimal(TemplateRanges::Proportion(), form.scale, inForce.Proportion);
    if (!scale.message.isEmpty()) {
        form.scale = QString::number(scale.value);
        messages.append(scale.message);
    }
    number(form.leftMargin, TemplateRanges::LeftRec(), inForce.LeftRec);
    number(form.topMargin, TemplateRanges::TopRec(), inForce.TopRec);
    if (form.print)
        number(form.textSize, TemplateRanges::TextSize(), inForce.TextSize);
    return messages;
}

TemplateSettings SettingsFromForm(const TemplateForm &form, TemplateSettings base)
{
    const StoredKeys keys = FormKeys(form, {base.SampleImageWidth, base.SampleImageHeight});
    ReadTemplateSettings(base, [&keys](const QString &key) {
        for (const auto &[name, value] : keys) {
            if (name == key)
                return value.trimmed();
        }
        return QStringLiteral("Error");
    });
    return base;
}

bool SaveTemplateForm(const TemplateForm &form, QSize sampleSize, const std::filesystem::path &file)
{
    // The section is rebuilt in a copy that then replaces the file, so that
    // no reader and no crash ever meets a half-written section.
    std::filesystem::path scratch = file;
    scratch += ".saving";
    std::error_code error;
    if (const auto current = FileIo::ReadAll(file)) {
        if (!FileIo::Replace(scratch, current->bytes))
            return false;
    } else {
        std::filesystem::remove(scratch, error);
    }
    if (!WriteSection(scratch, FormKeys(form, sampleSize))) {
        std::filesystem::remove(scratch, error);
        return false;
    }
    std::filesystem::rename(scratch, file, error);
    return !error;
}

std::optional<double> SuggestScale(QSize templateSize, QSize sampleSize, QPoint window)
{
    if (templateSize.isEmpty() || sampleSize.isEmpty())
        return std::nullopt;
    const double sW = sampleSize.width();
    const double sH = sampleSize.height();
    double p = templateSize.width() > templateSize.height() ? templateSize.width() / sW : templateSize.height() / sH;
    const double right = window.x();
    const double bottom = window.y();
    if (right > 0 && bottom > 0) {
        // Grow until half the scaled sample reaches the window's far edges,
        // less a margin that grows with how far the window is from square.
        const double c = (right / bottom + bottom / right) * 0.1 * p;
        p = std::max(right / sW, bottom / sH);
        const auto reach = [](double length) { return static_cast<long long>(length); };
        while (reach(sW * p * 0.5) < reach(right - right * c) || reach(sH * p * 0.5) < reach(bottom - bottom * c))
            p += 0.005;
    }
    return p * 0.5;
}

QString ScaleText(double scale)
{
    return QString::asprintf("%0.2f", scale);
}

QString LabelKindCaption(int labelKind)
{
    return labelKind == 1 ? QStringLiteral("编号：") : QStringLiteral("名称：");
}
