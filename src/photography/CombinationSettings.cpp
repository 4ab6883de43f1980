#include "photography/CombinationSettings.h"

#include "platform/DecimalText.h"
#include "platform/Profile.h"

namespace {

const QString kAbsent = QStringLiteral("Error");
// Template paths are read whole: a cut path would name another file, or none.
constexpr int kBufferSize = Profile::WholeValue;

const QString kTemplateSections[] = {
    QStringLiteral("CombinationTemplateOne"),
    QStringLiteral("CombinationTemplateTwo"),
    QStringLiteral("CombinationTemplateThree"),
    QStringLiteral("CombinationTemplateFour"),
};
const QString kModeSection = QStringLiteral("TemplateCombinationMode");
const QString kModeKey = QStringLiteral("CombinationMode");
const QString kWaitSection = QStringLiteral("CombinationCaptureWaitTime");
const QString kWaitKey = QStringLiteral("CaptureWaitTime");
const QString kVendorSection = QStringLiteral("CombinationCameraVendor");
const QString kVendorKey = QStringLiteral("CameraVendor");
const QString kPathKey = QStringLiteral("path");

std::optional<QString> ReadValue(const QString &section, const QString &key)
{
    const QString value = Profile::Read(CombinationSettingsFile(), section, key, kAbsent, kBufferSize);
    if (value == kAbsent)
        return std::nullopt;
    return value;
}

std::optional<int> ReadNumber(const QString &section, const QString &key)
{
    const std::optional<QString> value = ReadValue(section, key);
    if (!value)
        return std::nullopt;
    return DecimalValue(*value);
}

void WriteNumber(const QString &section, const QString &key, int value)
{
    Profile::Write(CombinationSettingsFile(), section, key, QString::number(value));
}

} // namespace

const std::filesystem::path &CombinationSettingsFile()
{
    static const std::filesystem::path file = "Config/CombinationSeting.ini";
    return file;
}

QString ReadCombinationTemplate(int cells)
{
    if (cells < 1 || cells > 4)
        return {};
    return ReadValue(kTemplateSections[cells - 1], kPathKey).value_or(QString());
}

CombinationSettings ReadCombinationSettings()
{
    CombinationSettings settings;
    for (int cells = 1; cells <= 4; ++cells)
        settings.templatePaths[cells - 1] = ReadCombinationTemplate(cells);
    settings.mode = ReadNumber(kModeSection, kModeKey);
    settings.waitTime = ReadNumber(kWaitSection, kWaitKey);
    return settings;
}

void WriteCombinationTemplate(int cells, const QString &path)
{
    if (cells >= 1 && cells <= 4)
        Profile::Write(CombinationSettingsFile(), kTemplateSections[cells - 1], kPathKey, path);
}

void WriteCombinationMode(int mode)
{
    WriteNumber(kModeSection, kModeKey, mode);
}

void WriteCaptureWaitTime(int seconds)
{
    WriteNumber(kWaitSection, kWaitKey, seconds);
}

void WriteCameraVendor(int vendor)
{
    WriteNumber(kVendorSection, kVendorKey, vendor);
}

int ExpectedTemplateWindows(int cells, int mode)
{
    if (mode == kCombinationVerticalDouble && (cells == 2 || cells == 3))
        return cells * 2;
    return cells;
}

void ResetCombinationSettingsForTests()
{
    CombinationMode = 0;
    CaptureWaitTime = 0;
    CombinationPreviewsDrawn = false;
}
