#pragma once

#include "camera/sdk/PropertyValues.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The labels of the camera settings the camera window lets the user choose:
// for each of the eight properties, its action and control, and the value
// and label of every setting it can show, in the order the lists show them.
// The values and their order are the camera's (PropertyValues.h); a label is
// the camera's text, but for shutter speeds: whole and decimal seconds with
// the seconds mark "″" ("30″", "0″5"), fractions of a second by their
// denominator ("125" is 1/125). Labels are UTF-8.

// The value a camera reports when it cannot tell.
constexpr std::uint32_t kUnknownValue = kUnknownPropertyValue;

struct PropertyRow
{
    std::uint32_t value;
    std::string_view label;
};

struct PropertyTable
{
    std::uint32_t property;
    std::string_view action; // raised with a pointer to the chosen value
    int control;             // the combo box's control id in the camera window
    std::span<const PropertyRow> rows;

    // The label of the first row with that value, if any.
    std::optional<std::string_view> labelOf(std::uint32_t value) const;
};

// Exposure mode, shutter speed, aperture, ISO, metering, exposure
// compensation, image quality, live-view AF mode, in this order.
std::span<const PropertyTable> PropertyTables();
// The table of one of those properties; null for any other.
const PropertyTable *PropertyTableOf(std::uint32_t property);
