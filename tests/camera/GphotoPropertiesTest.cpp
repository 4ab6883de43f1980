// Camera setting texts as libgphoto2's drivers give them, to value codes and back.

#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/GphotoProperties.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace GphotoProperties;

struct Case
{
    std::uint32_t id;
    const char *text;
    std::optional<std::uint32_t> code; // nothing: the text has no code
};

// Texts of several makers' drivers; where a text names a third and a half
// stop alike (1/10, 4.5) the third is read.
const Case kCases[] = {
    {kPropShutterSpeed, "1/125", 112}, {kPropShutterSpeed, "1/4000", 152}, {kPropShutterSpeed, "30", 16},
    {kPropShutterSpeed, "3.2", 43}, {kPropShutterSpeed, "0.3", 69}, {kPropShutterSpeed, "1/3", 69},
    {kPropShutterSpeed, "1/6", 77}, {kPropShutterSpeed, "1/10", 83}, {kPropShutterSpeed, "20", 21},
    {kPropShutterSpeed, "0.0080s", 112}, {kPropShutterSpeed, "0.7692s", 59}, {kPropShutterSpeed, "bulb", 12},
    {kPropShutterSpeed, "Bulb", 12}, {kPropShutterSpeed, "auto", 4}, {kPropShutterSpeed, "1/7", std::nullopt},
    {kPropShutterSpeed, "Time", std::nullopt}, {kPropShutterSpeed, "1/0", std::nullopt},
    {kPropAperture, "f/5.6", 48}, {kPropAperture, "5.6", 48}, {kPropAperture, "f/4.5", 43}, {kPropAperture, "f/5", 45},
    {kPropAperture, "f/2.0", 24}, {kPropAperture, "1.2", 13}, {kPropAperture, "implicit auto", 255},
    {kPropAperture, "f/4.8", std::nullopt}, {kPropAperture, "", std::nullopt},
    {kPropExposureCompensation, "+1/3", 3}, {kPropExposureCompensation, "-1/3", 253}, {kPropExposureCompensation, "+1 2/3", 13},
    {kPropExposureCompensation, "-2 1/2", 236}, {kPropExposureCompensation, "0", 0}, {kPropExposureCompensation, "0.3", 3},
    {kPropExposureCompensation, "-0.667", 251}, {kPropExposureCompensation, "1.5", 12}, {kPropExposureCompensation, "+5", 40},
    {kPropExposureCompensation, "-5", 216}, {kPropExposureCompensation, "+6", std::nullopt},
    {kPropExposureCompensation, "a lot", std::nullopt},
    {kPropIso, "400", 88}, {kPropIso, "ISO 400", 88}, {kPropIso, "Auto", 0}, {kPropIso, "102400", 152},
    {kPropIso, "3", std::nullopt}, {kPropIso, "Hi 1", std::nullopt},
    {kPropExposureMode, "Manual", 3}, {kPropExposureMode, "M", 3}, {kPropExposureMode, "Av", 2},
    {kPropExposureMode, "A_DEP", 5}, {kPropExposureMode, "Landscape", 13}, {kPropExposureMode, "Closeup", 14},
    {kPropExposureMode, "Flash Off", 15}, {kPropExposureMode, "Creative Auto", 19}, {kPropExposureMode, "A", 2},
    {kPropExposureMode, "S", 1}, {kPropExposureMode, "Grainy B/W", std::nullopt},
    {kPropMetering, "Evaluative", 3}, {kPropMetering, "Spot", 1}, {kPropMetering, "Center-weighted average", 5},
    {kPropMetering, "Center Weighted", 5}, {kPropMetering, "Average", std::nullopt},
    {kPropImageQuality, "Large Fine JPEG", 0x13FF0F}, {kPropImageQuality, "RAW + Large Fine JPEG", 0x640013},
    {kPropImageQuality, "mRAW", 0x164FF0F}, {kPropImageQuality, "sRAW + Medium Normal JPEG", 0x2640112},
    {kPropImageQuality, "cRAW", 0x63FF0F}, {kPropImageQuality, "S1 Fine JPEG", 0xE13FF0F},
    {kPropImageQuality, "Small 2 JPEG", 0xF13FF0F}, {kPropImageQuality, "Medium 1 JPEG", 0x510FF0F},
    {kPropImageQuality, "HEIF Large Fine", 0x83FF0F}, {kPropImageQuality, "TIFF", std::nullopt},
    {kPropEvfAfMode, "Live", 1}, {kPropEvfAfMode, "LiveFace", 2}, {kPropEvfAfMode, "Quick", 0},
    {kPropEvfAfMode, "1-point AF", 1}, {kPropEvfAfMode, "LiveSpotAF", 10}, {kPropEvfAfMode, "Manual", std::nullopt},
    {kPropCameraModel, "Studio Body", std::nullopt},
};

TEST(GphotoProperties, ChoiceTextsGiveTheirCodes)
{
    for (const Case &c : kCases)
        EXPECT_EQ(CodeForText(c.id, c.text), c.code) << "property " << c.id << ", text \"" << c.text << '"';
}

// From a widget's choices to codes and from each code back to its choice,
// for every setting; choices without a code are left out, repeats once.
TEST(GphotoProperties, CodesGoBackToTheCamerasOwnChoices)
{
    struct Widget
    {
        std::uint32_t id;
        std::vector<std::string> choices;
        std::vector<std::uint32_t> codes;
    } const widgets[] = {
        {kPropShutterSpeed, {"30", "2.5", "1/4", "1/7", "1/125", "bulb"}, {16, 45, 72, 112, 12}},
        {kPropAperture, {"f/2.8", "f/4.5", "f/22", "implicit auto"}, {32, 43, 80, 255}},
        {kPropExposureCompensation, {"-1/3", "0", "+2/3", "+1 1/2"}, {253, 0, 5, 12}},
        {kPropIso, {"Auto", "100", "25600", "H"}, {0, 72, 136}},
        {kPropExposureMode, {"P", "Tv", "Av", "Manual", "Bulb", "Green"}, {0, 1, 2, 3, 4, 9}},
        {kPropMetering, {"Spot", "Matrix", "Multi Spot", "Partial"}, {1, 3, 4}},
        {kPropImageQuality, {"Large Fine JPEG", "Medium Normal JPEG", "RAW", "RAW + Large Fine JPEG"}, {0x13FF0F, 0x112FF0F, 0x64FF0F, 0x640013}},
        {kPropEvfAfMode, {"Quick", "Live", "LiveFace", "LiveMulti"}, {0, 1, 2, 3}},
    };
    for (const Widget &widget : widgets) {
        EXPECT_EQ(CodesForChoices(widget.id, widget.choices), widget.codes) << "property " << widget.id;
        for (const std::uint32_t code : widget.codes) {
            const auto choice = ChoiceForCode(widget.id, code, widget.choices);
            ASSERT_TRUE(choice) << "property " << widget.id << ", code " << code;
            EXPECT_EQ(CodeForText(widget.id, *choice), code) << *choice;
        }
        EXPECT_FALSE(ChoiceForCode(widget.id, 0xFFFFFFFE, widget.choices)) << "a code no choice stands for";
    }
    // A half-stop code asks for the choice of its text.
    EXPECT_EQ(ChoiceForCode(kPropShutterSpeed, 20, {"25", "20", "15"}), "20");
    EXPECT_EQ(ChoiceForCode(kPropAperture, 44, {"4", "4.5", "5.6"}), "4.5");
    EXPECT_FALSE(ChoiceForCode(kPropShutterSpeed, 112, {"1/60", "1/250"})) << "not offered now";
}

} // namespace
