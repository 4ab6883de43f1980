#pragma once

#include <atomic>

// The two reprint feeds' flags: a thread runs, it is asked to stop, threads
// started and not ended. Plain shared flags, so each is an atomic.

// Automatic reprint from the face-counting tool's info files.
inline std::atomic<bool> AutoReprintRunning{false};
inline std::atomic<bool> AutoReprintStop{false};
inline std::atomic<int> AutoReprintCount{0};

// Phone reprint from the phone transfer tool's order files.
inline std::atomic<bool> PhoneReprintRunning{false};
inline std::atomic<bool> PhoneReprintStop{false};
inline std::atomic<int> PhoneReprintCount{0};
