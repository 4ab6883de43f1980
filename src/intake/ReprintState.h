#pragma once

#include <atomic>

// Values the reprint paths share with the print manager page; plain flags
// and counters read without locks, so each is an atomic. ReprintFileCount,
// ReprintTotalCount and ReprintListBusy are in ProcessState.h (the status
// line shows them).

// The next row added to the reprint list, by whichever path, goes to the top.
inline std::atomic<bool> PriorityNext{false};
// The reprint worker is handling row 0.
inline std::atomic<bool> ReprintWorkerBusy{false};
// Reprint worker threads started and not ended.
inline std::atomic<int> ReprintWorkerCount{0};
// The quantity field has the focus, or a reprint click is being handled.
inline std::atomic<bool> CountEditActive{false};
// Set while the start-up restore has yet to read today's reprint list file:
// the file is not written meanwhile, so the rows saved earlier today survive.
inline std::atomic<bool> ReprintFileUnread{false};
