#pragma once

#include "intake/ScanTaskParams.h"
#include "platform/FileIo.h"

#include <filesystem>
#include <functional>
#include <memory>

class WorkerSet;

// Starts the composition of one photo on a thread of its own.
using StartComposition = std::function<void(std::unique_ptr<ScanTaskParams>)>;

// Starts one walk of the source folder on a thread of `walks`, unless the folder
// is empty, a scan is still running or a composition is under way; returns
// whether it started. The walk lists the folder once and composes its JPEGs
// in name order, one at a time: it starts a composition and waits for it to
// end before it looks at the next photo, so a burst is numbered in name
// order however quick a composition is. Names are taken as the folder holds
// them (bytes), so a name that is not UTF-8 is composed like any other; a
// link is followed to its photo, and a link to nothing is reported once. Every other file costs a 300 ms
// pause. Before each photo the walk asks `keepWalking` (none: always) and
// ends when it says no, leaving the rest for a later walk. A file that
// cannot be composed yet stays in the folder and is tried again by a later scan.
// A walk asked to stop by its owner ends before its next photo.
bool RequestSourceScan(WorkerSet &walks, const ScanTaskParams &fields, StartComposition startComposition,
                       std::function<bool()> keepWalking = {});

// A photo that could not be composed (unreadable, cut short, still being
// written, damaged, not a JPEG) is passed over by later scans while the
// file keeps the stamp it had when it failed, so one broken file never holds
// up the photos behind it; once it changes it is tried again. One that stays
// so through three scans is reported once by name, with `reason` when one is given.
void RememberUncomposable(const std::filesystem::path &source, const FileIo::Stamp &stamp, const QString &reason = {});

// Where a photo that stays uncomposable is reported, besides the run log:
// the print manager page's hint line. Called on a scan thread with the
// report's text; an empty function stops the reports.
void SetUncomposableReport(std::function<void(const QString &text)> report);

// Forgets every file remembered as uncomposable, as a program start finds it.
void ForgetUncomposable();
