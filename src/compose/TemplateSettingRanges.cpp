#include "compose/TemplateSettingRanges.h"

#include "compose/CanvasLimit.h"

namespace {

// The largest paper side in 1/96 inch, rounded up.
constexpr int MaxPaperScreenPixels = (MaxPaperMm * 96 * 10 + 253) / 254;
constexpr int WhiteColor = 0xFFFFFF;
// Ten thousand pixels a side holds every camera's photo.
constexpr int MaxSampleSide = 10000;
// A label of size 100 is 20 mm tall on the print.
constexpr int MaxTextSize = 100;

NumberSetting Place(const char *name)
{
    return {QString::fromUtf8(name), QString(), -MaxPaperScreenPixels, MaxPaperScreenPixels, true};
}

DecimalSetting DecimalPlace(const char *name)
{
    return {QString::fromUtf8(name), -MaxPaperScreenPixels, MaxPaperScreenPixels};
}

} // namespace

namespace TemplateRanges {

DecimalSetting Proportion()
{
    return {QStringLiteral("缩放比例"), 0.01, 10.0};
}

NumberSetting LeftRec()
{
    return Place("左边距");
}

NumberSetting TopRec()
{
    return Place("上边距");
}

NumberSetting TextSize()
{
    return {QStringLiteral("字体大小"), QString(), 0, MaxTextSize, true};
}

NumberSetting TextColor()
{
    return {QStringLiteral("字体颜色"), QString(), 0, WhiteColor, true};
}

NumberSetting TextBgColor()
{
    return {QStringLiteral("背景颜色"), QString(), 0, WhiteColor, true};
}

NumberSetting PrintPictureIdentification()
{
    return {QStringLiteral("标签内容（0 名称，1 编号）"), QString(), 0, 1, true};
}

DecimalSetting TextLeftMargin()
{
    return DecimalPlace("标签左边距");
}

DecimalSetting TextTopMargin()
{
    return DecimalPlace("标签上边距");
}

NumberSetting SampleImageWidth()
{
    return {QStringLiteral("样张宽"), QString(), 0, MaxSampleSide, true};
}

NumberSetting SampleImageHeight()
{
    return {QStringLiteral("样张高"), QString(), 0, MaxSampleSide, true};
}

} // namespace TemplateRanges
