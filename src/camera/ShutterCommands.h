#pragma once

#include "camera/Command.h"

#include <cstdint>

// Shutter, lens and autofocus: each one camera command. A busy or failing
// camera is told and the command is dropped, never retried: a late shutter
// release would take a picture nobody is posing for.
class CameraActionCommand : public Command
{
public:
    CameraActionCommand(CameraModel &model, std::uint32_t command, std::uint32_t parameter)
        : Command(model), m_command(command), m_parameter(parameter) {}
    bool perform() override;

protected:
    const std::uint32_t m_command;
    const std::uint32_t m_parameter;
};

// Shutter button: kShutterOff, kShutterHalfway or kShutterFully.
class PressShutterButtonCommand final : public CameraActionCommand
{
public:
    PressShutterButtonCommand(CameraModel &model, std::uint32_t parameter) : CameraActionCommand(model, kCmdShutter, parameter) {}
};

// Lens drive: kLensNear1..3 or kLensFar1..3.
class DriveLensCommand final : public CameraActionCommand
{
public:
    DriveLensCommand(CameraModel &model, std::uint32_t parameter) : CameraActionCommand(model, kCmdDriveLens, parameter) {}
};

// Live-view autofocus: kEvfAfOn or kEvfAfOff.
class DoEvfAFCommand final : public CameraActionCommand
{
public:
    DoEvfAFCommand(CameraModel &model, std::uint32_t parameter) : CameraActionCommand(model, kCmdEvfAf, parameter) {}
};

// Shutter fully pressed, then released; the camera then reports the shot.
class TakePictureCommand final : public CameraActionCommand
{
public:
    explicit TakePictureCommand(CameraModel &model) : CameraActionCommand(model, kCmdShutter, kShutterFully) {}
    bool perform() override;
};
