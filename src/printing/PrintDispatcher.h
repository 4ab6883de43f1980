#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>

// Hands one photo to one printer: picks the first checked, idle printer of
// the printer table whose work mode is not `excludedMode` (with a single
// checked printer, that one whatever its mode), reserves it by raising its
// job count by `copies`, and starts a print job thread. True when the thread
// runs; false at once while another dispatch is deciding or a job is
// starting, and false when no printer is free. Never waits for a printer,
// the spooler or a print job: callable from the user-interface thread.
// The dispatch stays busy (DispatchBusy) for a second after a job started,
// on a thread of its own, so the caller does not wait for it.
bool DispatchPhoto(const std::filesystem::path &picturePath, int copies, const QString &pictureName,
                   int32_t excludedMode);
