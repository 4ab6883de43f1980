#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>

// Which kinds of print jobs a printer takes. Not stored: every printer starts
// in Random at every start-up. -1 arises when the editor closes without a choice.
enum WorkMode : int32_t
{
    WorkModeNone = -1,
    WorkModeRandom = 0,  // every kind of job
    WorkModeNew = 1,     // new photos of automatic printing only
    WorkModeReprint = 2, // reprints and photos printed at once by hand
    WorkModeStandby = 3, // kept back: only what is printed at once by hand
};

// The editor's items in order, so an item's index is its mode.
QStringList WorkModeTexts();
// The column text of a mode; empty for any value outside the four modes.
QString WorkModeText(int32_t mode);

// Shown when a work-mode change is refused.
QString WorkModeRefusal();

// Set the first time any printer is put on standby; stays set for the run.
inline std::atomic<bool> StandbyInUse{false};

// Clears StandbyInUse, as a program start finds it. For tests.
void ResetWorkModeForTests();
