#pragma once

#include <atomic>

// Values the intake's threads and the print manager page share; plain flags
// and counters read without locks, so each is an atomic.

// Source-folder scans: threads running, one started and not ended, one walking its folder.
inline std::atomic<int> SourceScanCount{0};
inline std::atomic<bool> SourceScanStarted{false};
inline std::atomic<bool> SourceScanWalking{false};

// Composition threads started and not yet ended.
inline std::atomic<int> ComposeThreadCount{0};

// Set while the pending list is renumbered after a photo left it.
inline std::atomic<bool> QueueRebuilding{false};
// Pending-folder scan threads started and not ended.
inline std::atomic<int> PendingScanCount{0};
// Row index of the next printed-list insert.
inline std::atomic<int> PrintedNextIndex{0};

// Seconds the printers have been idle while automatic printing runs.
inline std::atomic<int> IdleSeconds{0};
// "暂停" was clicked; the combination reprint session stops on it.
inline std::atomic<bool> PauseClicked{false};
// Few reprints wait: automatic reprint may take in more. Set at start, so a
// restored list of a few copies does not hold automatic reprint back; the
// page's timer clears it above 30 copies and sets it again once the list is empty.
inline std::atomic<bool> ReprintBacklogLow{true};
// The page's hint line is blanked within the next ticks (after a success message).
inline std::atomic<bool> HintResetPending{false};

// Puts the values above, those of ReprintState.h and ReprintFeedState.h, the
// photos kept in place and the uncomposable files back as a program start
// finds them. For tests;
// no thread of the program may run.
void ResetIntakeStateForTests();
