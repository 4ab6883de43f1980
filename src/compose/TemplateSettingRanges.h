#pragma once

#include "platform/NumberCheck.h"

// The ranges of the frame template settings, whether stored in the settings
// file or typed in the settings dialog. A photo corner or label place
// further off than the largest paper is nowhere on it; a sample size bounds
// how far a photo may be enlarged before it is placed, and so its memory.
namespace TemplateRanges {
DecimalSetting Proportion();
NumberSetting LeftRec();
NumberSetting TopRec();
NumberSetting TextSize();
NumberSetting TextColor();
NumberSetting TextBgColor();
NumberSetting PrintPictureIdentification();
DecimalSetting TextLeftMargin();
DecimalSetting TextTopMargin();
NumberSetting SampleImageWidth();
NumberSetting SampleImageHeight();
} // namespace TemplateRanges
