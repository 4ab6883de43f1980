#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the camera settings the program knows by value code (exposure mode,
// aperture, shutter speed, ISO, metering, exposure compensation, image
// quality, live-view AF mode) are found among a camera's libgphoto2
// configuration widgets, and how a widget's choice texts ("1/125", "f/5.6",
// "+1/3", "400") turn into those codes (PropertyValues.h) and back.
namespace GphotoProperties {

// The widget names that may carry the property, in the order tried; empty
// for a property that is not a camera setting.
const std::vector<std::string> &WidgetNames(std::uint32_t id);

// The code a choice text stands for; nothing when no code fits.
std::optional<std::uint32_t> CodeForText(std::uint32_t id, std::string_view text);
// The codes of the choices in their order, each once; texts without a code are left out.
std::vector<std::uint32_t> CodesForChoices(std::uint32_t id, const std::vector<std::string> &choices);
// The choice, among the camera's own, that stands for the code; nothing when none does.
std::optional<std::string> ChoiceForCode(std::uint32_t id, std::uint32_t code, const std::vector<std::string> &choices);

} // namespace GphotoProperties
