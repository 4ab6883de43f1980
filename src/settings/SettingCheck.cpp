#include "settings/SettingCheck.h"

#include "compose/CanvasLimit.h"

namespace Settings {

NumberSetting PaperWidth()
{
    return {QStringLiteral("打印纸宽"), QStringLiteral(" mm"), MinPaperMm, MaxPaperMm, false};
}

NumberSetting PaperHeight()
{
    return {QStringLiteral("打印纸高"), QStringLiteral(" mm"), MinPaperMm, MaxPaperMm, false};
}

NumberSetting PictureQuality()
{
    return {QStringLiteral("质量"), QString(), 10, 100, true};
}

// The print delay holds every printer's printing phase: a minute is the most an event can wait.
NumberSetting WaitTime()
{
    return {QStringLiteral("自动打印等待时间"), QStringLiteral("秒"), 1, 60, true};
}

NumberSetting ThumbnailSize()
{
    return {QStringLiteral("缩略图大小"), QString(), 1, 15, true};
}

NumberSetting ThumbnailWaitPrintCount()
{
    return {QStringLiteral("待打印缩略图数量"), QString(), 50, 10000, true};
}

NumberSetting ThumbnailPrintedCount()
{
    return {QStringLiteral("已打印缩略图数量"), QString(), 100, 10000, true};
}

// The automatic reprint rules count copies of one photo: no event hands a
// guest more than 99 of one photo. Every reduction below 0 means the same.
NumberSetting ReprintMinimum()
{
    return {QStringLiteral("最小补打数量"), QString(), 0, 99, true};
}

NumberSetting ReprintMaximum()
{
    return {QStringLiteral("最大补打数量"), QString(), 0, 99, true};
}

NumberSetting ReprintReduction()
{
    return {QStringLiteral("缩减数量"), QString(), -1, 99, true};
}

} // namespace Settings
