#pragma once

#include "camera/Command.h"

// Live view on the computer: started and ended by switching the camera's
// live-view output to the computer and back, and fetched frame by frame.

// Live-view mode on if it was off, then frames to the computer. Busy: retried.
class StartEvfCommand final : public Command
{
public:
    using Command::Command;
    bool perform() override;
};

// Nothing to do when frames do not go to the computer; else the depth-of-
// field preview off, then frames no longer to the computer. Retried on any
// failure until live view has ended.
class EndEvfCommand final : public Command
{
public:
    using Command::Command;
    bool perform() override;
};

// Fetches the current frame and broadcasts "EvfDataChanged". A frame not
// ready yet or a busy camera: retried; any other failure ends the fetching.
class DownloadEvfCommand final : public Command
{
public:
    using Command::Command;
    bool perform() override;
};
