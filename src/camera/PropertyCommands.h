#pragma once

#include "camera/Command.h"

#include <cstdint>

// Reading and writing camera properties. A busy camera makes each of them
// wait for a retry; any other failure is told as "error" and ends it.

// Id 0xFFFF: every exposure property, in the order kAllPropertyIds gives.
constexpr std::uint32_t kAllProperties = 0xFFFF;
inline constexpr std::uint32_t kAllPropertyIds[] = {
    kPropExposureMode, kPropShutterSpeed, kPropAperture, kPropIso, kPropMetering, kPropExposureCompensation, kPropImageQuality,
};

// What both reads share: one id or all of them, a busy camera retried.
class PropertyReadCommand : public Command
{
public:
    PropertyReadCommand(CameraModel &model, std::uint32_t id) : Command(model), m_id(id) {}
    bool perform() final;

protected:
    virtual SdkError readOne(std::uint32_t id) const = 0;

private:
    const std::uint32_t m_id;
};

// Reads a property into the model and broadcasts "PropertyChanged", also
// for ids the model does not keep.
class GetPropertyCommand final : public PropertyReadCommand
{
public:
    using PropertyReadCommand::PropertyReadCommand;

protected:
    SdkError readOne(std::uint32_t id) const override;
};

// Reads a property's allowed values and broadcasts "PropertyDescChanged".
class GetPropertyDescCommand final : public PropertyReadCommand
{
public:
    using PropertyReadCommand::PropertyReadCommand;

protected:
    SdkError readOne(std::uint32_t id) const override;
};

// Writes a 32-bit value or a point.
class SetPropertyCommand final : public Command
{
public:
    SetPropertyCommand(CameraModel &model, std::uint32_t id, std::uint32_t value);
    SetPropertyCommand(CameraModel &model, std::uint32_t id, CameraPoint point);
    bool perform() override;

private:
    const std::uint32_t m_id;
    std::uint32_t m_value = 0;
    CameraPoint m_point;
    const bool m_isPoint;
};
