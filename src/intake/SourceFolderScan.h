#pragma once

#include "intake/ScanTaskParams.h"

#include <functional>
#include <memory>

// Starts the composition of one photo on a thread of its own.
using StartComposition = std::function<void(std::unique_ptr<ScanTaskParams>)>;

// Starts one walk of the source folder on its own thread, unless the folder
// is empty, a scan is still running or a composition is under way; returns
// whether it started. The walk starts a composition for a JPEG only while no
// other runs, so the photos are taken one per scan in name order. Every file
// costs a 300 ms pause. A file that cannot be composed yet stays in the
// folder and is tried again by a later scan.
bool RequestSourceScan(const ScanTaskParams &fields, StartComposition startComposition);

// A photo that could not be composed (unreadable, cut short, still being
// written) is passed over by later scans until the file changes, so one
// broken file never holds up the photos behind it; once it changes it is
// tried again.
void RememberUncomposable(const QString &sourcePath);

// Where a photo that stays uncomposable is reported, besides the run log:
// the print manager page's hint line. Called on a scan thread with the
// report's text; an empty function stops the reports.
void SetUncomposableReport(std::function<void(const QString &text)> report);
