#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The value codes of the eight camera settings the program lets the user
// choose (exposure mode, shutter speed, aperture, ISO, metering, exposure
// compensation, image quality, live-view AF mode), each with the camera's
// own text for it, in the order a camera lists them. The one list both the
// camera backends and the camera window's labels are made from.
// Shutter speeds are in seconds ("30", "3.2", "1/125"); exposure
// compensation in stops ("+1 1/3"); apertures as f-numbers ("5.6").

// The value a camera reports when it cannot tell.
constexpr std::uint32_t kUnknownPropertyValue = 0xFFFFFFFF;

struct PropertyValue
{
    std::uint32_t code;
    std::string_view text;
};

// The values of one of the eight settings; empty for any other property.
std::span<const PropertyValue> PropertyValuesOf(std::uint32_t property);
