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
