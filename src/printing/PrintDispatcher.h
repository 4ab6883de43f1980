#pragma once

#include "printing/PrintJobParams.h"

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
// `handOver` and `answered` go to the job (PrintJobParams): the job carries
// out that hand-over and tells the caller what became of it, unless no job
// was started (false), in which case nothing is told.
bool DispatchPhoto(const std::filesystem::path &picturePath, int copies, const QString &pictureName,
                   int32_t excludedMode, int64_t handOver = 0,
                   std::function<bool(PrintJobParams::Outcome, int)> answered = {});
