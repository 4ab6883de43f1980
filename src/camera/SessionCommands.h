#pragma once

#include "camera/Command.h"

#include <string>

// Opens the session: shots handed to the computer, the camera told how much
// room the computer has (under the lock of the camera's own controls).
// A failure is told as "error" with the first failing code; never retried.
class OpenSessionCommand final : public Command
{
public:
    using Command::Command;
    bool perform() override;
};

class CloseSessionCommand final : public Command
{
public:
    using Command::Command;
    bool perform() override;
};

// Tells the camera the room the computer has for its shots.
class SetCapacityCommand final : public Command
{
public:
    SetCapacityCommand(CameraModel &model, const CapacityRecord &capacity) : Command(model), m_capacity(capacity) {}
    bool perform() override;

private:
    const CapacityRecord m_capacity;
};

// Broadcasts its name without argument ("shutDown" when the camera was switched off).
class NotifyCommand final : public Command
{
public:
    NotifyCommand(CameraModel &model, std::string name) : Command(model), m_name(std::move(name)) {}
    bool perform() override;

private:
    const std::string m_name;
};
