#pragma once

#include "platform/NumberCheck.h"

// The ranges of the numbers the pages and settings files hold; each is
// checked through CheckNumber before it is taken.

// The settings of the pages and files, with their ranges.
namespace Settings {
NumberSetting PaperWidth();
NumberSetting PaperHeight();
NumberSetting PictureQuality();
NumberSetting WaitTime();
NumberSetting ThumbnailSize();
NumberSetting ThumbnailWaitPrintCount();
NumberSetting ThumbnailPrintedCount();
NumberSetting ReprintMinimum();
NumberSetting ReprintMaximum();
NumberSetting ReprintReduction();
} // namespace Settings
