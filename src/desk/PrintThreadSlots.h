#pragma once

#include <atomic>
#include <memory>
#include <cstdint>
#include <optional>
#include <pthread.h>
#include <vector>

// Per printer, the handle and the id of the last print job thread the
// dispatcher started for it; slot i belongs to entry i of the printer table.
// Only the dispatcher (while DispatchBusy is set) and the start of automatic
// printing touch them. A table that is absent was never built, or could not be.

// A started thread; empty when no thread was started from the slot.
using PrintThreadHandle = std::optional<pthread_t>;

inline std::unique_ptr<std::vector<PrintThreadHandle>> PrintThreadHandles;
inline std::unique_ptr<std::vector<uint32_t>> PrintThreadIds;
// The number of printers when the tables were last built or checked.
inline std::atomic<int> PrintThreadSlotCount{0};

// Builds both tables with one empty slot per printer entry.
void BuildThreadTables();

// The watchdog run before each print job thread starts: rebuilds the tables
// (and logs it) unless both exist with one slot per printer entry.
void CheckThreadTables();
