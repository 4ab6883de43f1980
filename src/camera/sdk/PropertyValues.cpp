#include "camera/sdk/PropertyValues.h"

#include "camera/sdk/CameraSdk.h"

namespace {

constexpr PropertyValue kExposureModes[] = {
    {0, "P"}, {1, "Tv"}, {2, "Av"}, {3, "M"}, {55, "FV"}, {4, "Bulb"}, {5, "A-DEP"}, {6, "DEP"}, {7, "C1"},
    {16, "C2"}, {17, "C3"}, {8, "Lock"}, {9, "GreenMode"}, {10, "Night Portrait"}, {11, "Sports"},
    {13, "LandScape"}, {14, "Close-Up"}, {15, "No Strobo"}, {12, "Portrait"}, {19, "Creative Auto"},
    {20, "Movies"}, {25, "SCN"}, {22, "Scene Intelligent Auto"}, {29, "Creative filters"},
    {kUnknownPropertyValue, "unknown"},
};

constexpr PropertyValue kMeteringModes[] = {
    {1, "Spot metering"}, {3, "Evaluative metering"}, {4, "Partial metering"}, {5, "Center-weighted average"},
    {kUnknownPropertyValue, "unknown"},
};

constexpr PropertyValue kAfModes[] = {
    {0, "Quick mode"}, {1, "1-point AF"}, {2, "Face+Tracking"}, {3, "FlexiZone - Multi"}, {4, "Zone AF"},
    {5, "Expand AF area"}, {6, "Expand AF area: Around"}, {7, "Large Zone AF: Horizontal"},
    {8, "Large Zone AF: Vertical"}, {9, "Catch AF"}, {10, "Spot AF"}, {11, "Flexible Zone AF 1"},
    {12, "Flexible Zone AF 2"}, {13, "Flexible Zone AF 3"}, {14, "Whole area AF"}, {15, "No Traking Spot AF"},
    {16, "No Traking 1-point AF"}, {17, "No Traking Expand AF area"},
    {18, "No Traking Expand AF area: Around"}, {kUnknownPropertyValue, "unknown"},
};

constexpr PropertyValue kIsoSpeeds[] = {
    {0, "Auto"}, {40, "6"}, {48, "12"}, {56, "25"}, {64, "50"}, {72, "100"}, {75, "125"}, {77, "160"},
    {80, "200"}, {83, "250"}, {85, "320"}, {88, "400"}, {91, "500"}, {93, "640"}, {96, "800"}, {99, "1000"},
    {101, "1250"}, {104, "1600"}, {107, "2000"}, {109, "2500"}, {112, "3200"}, {115, "4000"}, {117, "5000"},
    {120, "6400"}, {123, "8000"}, {125, "10000"}, {128, "12800"}, {131, "16000"}, {133, "20000"},
    {136, "25600"}, {139, "32000"}, {141, "40000"}, {144, "51200"}, {147, "64000"}, {149, "80000"},
    {152, "102400"}, {160, "204800"}, {168, "409600"}, {176, "819200"}, {kUnknownPropertyValue, "unknown"},
};

constexpr PropertyValue kApertures[] = {
    {0, "00"}, {8, "1"}, {11, "1.1"}, {12, "1.2"}, {13, "1.2"}, {16, "1.4"}, {19, "1.6"}, {20, "1.8"},
    {21, "1.8"}, {24, "2"}, {27, "2.2"}, {28, "2.5"}, {29, "2.5"}, {32, "2.8"}, {35, "3.2"}, {36, "3.5"},
    {37, "3.5"}, {40, "4"}, {43, "4.5"}, {44, "4.5"}, {45, "5.0"}, {48, "5.6"}, {51, "6.3"}, {52, "6.7"},
    {53, "7.1"}, {56, "8"}, {59, "9"}, {60, "9.5"}, {61, "10"}, {64, "11"}, {67, "13"}, {68, "13"}, {69, "14"},
    {72, "16"}, {75, "18"}, {76, "19"}, {77, "20"}, {80, "22"}, {83, "25"}, {84, "27"}, {85, "29"}, {88, "32"},
    {91, "36"}, {92, "38"}, {93, "40"}, {96, "45"}, {99, "51"}, {100, "54"}, {101, "57"}, {104, "64"},
    {107, "72"}, {108, "76"}, {109, "80"}, {112, "91"}, {255, "Auto"}, {kUnknownPropertyValue, "unknown"},
};

constexpr PropertyValue kExposureCompensations[] = {
    {40, "+5"}, {37, "+4 2/3"}, {36, "+4 1/2"}, {35, "+4 1/3"}, {32, "+4"}, {29, "+3 2/3"}, {28, "+3 1/2"},
    {27, "+3 1/3"}, {24, "+3"}, {21, "+2 2/3"}, {20, "+2 1/2"}, {19, "+2 1/3"}, {16, "+2"}, {13, "+1 2/3"},
    {12, "+1 1/2"}, {11, "+1 1/3"}, {8, "+1"}, {5, "+2/3"}, {4, "+1/2"}, {3, "+1/3"}, {0, "0"}, {253, "-1/3"},
    {252, "-1/2"}, {251, "-2/3"}, {248, "-1"}, {245, "-1 1/3"}, {244, "-1 1/2"}, {243, "-1 2/3"}, {240, "-2"},
    {237, "-2 1/3"}, {236, "-2 1/2"}, {235, "-2 2/3"}, {232, "-3"}, {229, "-3 1/3"}, {228, "-3 1/2"},
    {227, "-3 2/3"}, {224, "-4"}, {221, "-4 1/3"}, {220, "-4 1/2"}, {219, "-4 2/3"}, {216, "-5"},
    {kUnknownPropertyValue, "unknown"},
};

// Image quality has no "unknown" value.
constexpr PropertyValue kImageQualities[] = {
    {0x64FF0F, "RAW"}, {0x640013, "RAW + Large Fine Jpeg"}, {0x640113, "RAW + Middle Fine Jpeg"},
    {0x640213, "RAW + Small Fine Jpeg"}, {0x640012, "RAW + Large Normal Jpeg"},
    {0x640112, "RAW + Middle Normal Jpeg"}, {0x640212, "RAW + Small Normal Jpeg"},
    {0x640E13, "RAW + Small1 Fine Jpeg"}, {0x640E12, "RAW + Small1 Normal Jpeg"},
    {0x640F13, "RAW + Small2 Jpeg"}, {0x641013, "RAW + Small3 Jpeg"}, {0x640010, "RAW + Large Jpeg"},
    {0x640510, "RAW + Middle1 Jpeg"}, {0x640610, "RAW + Middle2 Jpeg"}, {0x640210, "RAW + Small Jpeg"},
    {0x164FF0F, "Middle Raw(Small RAW1)"}, {0x1640013, "Middle Raw(Small RAW1) + Large Fine Jpeg"},
    {0x1640113, "Middle Raw(Small RAW1) + Middle Fine Jpeg"},
    {0x1640213, "Middle Raw(Small RAW1) + Small Fine Jpeg"},
    {0x1640012, "Middle Raw(Small RAW1) + Large Normal Jpeg"},
    {0x1640112, "Middle Raw(Small RAW1) + Middle Normal Jpeg"},
    {0x1640212, "Middle Raw(Small RAW1) + Small Normal Jpeg"}, {0x1640E13, "Middle RAW + Small1 Fine Jpeg"},
    {0x1640E12, "Middle RAW + Small1 Normal Jpeg"}, {0x1640F13, "Middle RAW + Small2 Jpeg"},
    {0x1641013, "Middle RAW + Small3 Jpeg"}, {0x1640010, "Middle Raw + Large Jpeg"},
    {0x1640510, "Middle Raw + Middle1 Jpeg"}, {0x1640610, "Middle Raw + Middle2 Jpeg"},
    {0x1640210, "Middle Raw + Small Jpeg"}, {0x264FF0F, "Small RAW(Small RAW2)"},
    {0x2640013, "Small RAW(Small RAW2) + Large Fine Jpeg"},
    {0x2640113, "Small RAW(Small RAW2) + Middle Fine Jpeg"},
    {0x2640213, "Small RAW(Small RAW2) + Small Fine Jpeg"},
    {0x2640012, "Small RAW(Small RAW2) + Large Normal Jpeg"},
    {0x2640112, "Small RAW(Small RAW2) + Middle Normal Jpeg"},
    {0x2640212, "Small RAW(Small RAW2) + Small Normal Jpeg"}, {0x2640E13, "Small RAW + Small1 Fine Jpeg"},
    {0x2640E12, "Small RAW + Small1 Normal Jpeg"}, {0x2640F13, "Small RAW + Small2 Jpeg"},
    {0x2641013, "Small RAW + Small3 Jpeg"}, {0x2640010, "Small RAW + Large Jpeg"},
    {0x2640510, "Small RAW + Middle1 Jpeg"}, {0x2640610, "Small RAW + Middle2 Jpeg"},
    {0x2640210, "Small RAW + Small Jpeg"}, {0x63FF0F, "CRAW"}, {0x630013, "CRAW + Large Fine Jpeg"},
    {0x630113, "CRAW + Middle Fine Jpeg"}, {0x630513, "CRAW + Middle1 Fine Jpeg"},
    {0x630613, "CRAW + Middle2 Fine Jpeg"}, {0x630213, "CRAW + Small Fine Jpeg"},
    {0x630E13, "CRAW + Small1 Fine Jpeg"}, {0x630F13, "CRAW + Small2 Fine Jpeg"},
    {0x631013, "CRAW + Small3 Fine Jpeg"}, {0x630012, "CRAW + Large Normal Jpeg"},
    {0x630112, "CRAW + Middle Normal Jpeg"}, {0x630512, "CRAW + Middle1 Normal Jpeg"},
    {0x630612, "CRAW + Middle2 Normal Jpeg"}, {0x630212, "CRAW + Small Normal Jpeg"},
    {0x630E12, "CRAW + Small1 Normal Jpeg"}, {0x630010, "CRAW + Large Jpeg"},
    {0x630510, "CRAW + Middle1 Jpeg"}, {0x630610, "CRAW + Middle2 Jpeg"}, {0x630210, "CRAW + Small Jpeg"},
    {0x13FF0F, "Large Fine Jpeg"}, {0x12FF0F, "Large Normal Jpeg"}, {0x113FF0F, "Middle Fine Jpeg"},
    {0x112FF0F, "Middle Normal Jpeg"}, {0x213FF0F, "Small Fine Jpeg"}, {0x212FF0F, "Small Normal Jpeg"},
    {0xE13FF0F, "Small1 Fine Jpeg"}, {0xE12FF0F, "Small1 Normal Jpeg"}, {0xF13FF0F, "Small2 Jpeg"},
    {0x1013FF0F, "Small3 Jpeg"}, {0x10FF0F, "Large Jpeg"}, {0x510FF0F, "Middle1 Jpeg"},
    {0x610FF0F, "Middle2 Jpeg"}, {0x210FF0F, "Small Jpeg"}, {0x80FF0F, "HEIF Large"},
    {0x640080, "RAW + HEIF Large"}, {0x630080, "CRAW + HEIF Large"}, {0x83FF0F, "HEIF Large Fine"},
    {0x82FF0F, "HEIF Large Normal"}, {0x183FF0F, "HEIF Middle Fine"}, {0x182FF0F, "HEIF Middle Normal"},
    {0xE83FF0F, "HEIF Small1 Fine"}, {0xE82FF0F, "HEIF Small1 Normal"}, {0xF83FF0F, "HEIF Small2 Fine"},
    {0x640083, "RAW + HEIF Large Fine"}, {0x640082, "RAW + HEIF Large Normal"},
    {0x640183, "RAW + HEIF Middle Fine"}, {0x640182, "RAW + HEIF Middle Normal"},
    {0x640E83, "RAW + HEIF Small1 Fine"}, {0x640E82, "RAW + HEIF Small1 Normal"},
    {0x640F83, "RAW + HEIF Small2 Fine"}, {0x630083, "CRAW + HEIF Large Fine"},
    {0x630082, "CRAW + HEIF Large Normal"}, {0x630183, "CRAW + HEIF Middle Fine"},
    {0x630182, "CRAW + HEIF Middle Normal"}, {0x630E83, "CRAW + HEIF Small1 Fine"},
    {0x630E82, "CRAW + HEIF Small1 Normal"}, {0x630F83, "CRAW + HEIF Small2 Fine"},
};

constexpr PropertyValue kShutterSpeeds[] = {
    {4, "Auto"}, {12, "Bulb"}, {16, "30"}, {19, "25"}, {20, "20"}, {21, "20"}, {24, "15"}, {27, "13"},
    {28, "10"}, {29, "10"}, {32, "8"}, {35, "6"}, {36, "6"}, {37, "5"}, {40, "4"}, {43, "3.2"}, {44, "3"},
    {45, "2.5"}, {48, "2"}, {51, "1.6"}, {52, "1.5"}, {53, "1.3"}, {56, "1"}, {59, "0.8"}, {60, "0.7"},
    {61, "0.6"}, {64, "0.5"}, {67, "0.4"}, {68, "0.3"}, {69, "0.3"}, {72, "1/4"}, {75, "1/5"}, {76, "1/6"},
    {77, "1/6"}, {80, "1/8"}, {83, "1/10"}, {84, "1/10"}, {85, "1/13"}, {88, "1/15"}, {91, "1/20"},
    {92, "1/20"}, {93, "1/25"}, {96, "1/30"}, {99, "1/40"}, {100, "1/45"}, {101, "1/50"}, {104, "1/60"},
    {107, "1/80"}, {108, "1/90"}, {109, "1/100"}, {112, "1/125"}, {115, "1/160"}, {116, "1/180"},
    {117, "1/200"}, {120, "1/250"}, {123, "1/320"}, {124, "1/350"}, {125, "1/400"}, {128, "1/500"},
    {131, "1/640"}, {132, "1/750"}, {133, "1/800"}, {136, "1/1000"}, {139, "1/1250"}, {140, "1/1500"},
    {141, "1/1600"}, {144, "1/2000"}, {147, "1/2500"}, {148, "1/3000"}, {149, "1/3200"}, {152, "1/4000"},
    {155, "1/5000"}, {156, "1/6000"}, {157, "1/6400"}, {160, "1/8000"}, {163, "1/10000"}, {165, "1/12800"},
    {168, "1/16000"}, {171, "1/20000"}, {173, "1/25600"}, {176, "1/32000"}, {kUnknownPropertyValue, "unknown"},
};

} // namespace

std::span<const PropertyValue> PropertyValuesOf(std::uint32_t property)
{
    switch (property) {
    case kPropExposureMode: return kExposureModes;
    case kPropShutterSpeed: return kShutterSpeeds;
    case kPropAperture: return kApertures;
    case kPropIso: return kIsoSpeeds;
    case kPropMetering: return kMeteringModes;
    case kPropExposureCompensation: return kExposureCompensations;
    case kPropImageQuality: return kImageQualities;
    case kPropEvfAfMode: return kAfModes;
    default: return {};
    }
}
