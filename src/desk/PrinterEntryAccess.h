#pragma once

#include "desk/PrinterTable.h"

#include <atomic>

// Fields of a printer entry that the list handlers change on the
// user-interface thread without printer_table_cs while a refresh or a
// dispatch reads them on another thread: every such access goes through
// these, so it is atomic.

inline bool EntryChecked(const PrinterEntry &entry)
{
    return std::atomic_ref(const_cast<bool &>(entry.checked)).load();
}

inline void SetEntryChecked(PrinterEntry &entry, bool checked)
{
    std::atomic_ref(entry.checked).store(checked);
}

inline int32_t EntryWorkMode(const PrinterEntry &entry)
{
    return std::atomic_ref(const_cast<int32_t &>(entry.workMode)).load();
}

inline void SetEntryWorkMode(PrinterEntry &entry, int32_t mode)
{
    std::atomic_ref(entry.workMode).store(mode);
}

inline bool EntryCanPrint(const PrinterEntry &entry)
{
    return std::atomic_ref(const_cast<bool &>(entry.canPrint)).load();
}

inline void SetEntryCanPrint(PrinterEntry &entry, bool canPrint)
{
    std::atomic_ref(entry.canPrint).store(canPrint);
}

inline int32_t EntryJobCount(const PrinterEntry &entry)
{
    return std::atomic_ref(const_cast<int32_t &>(entry.jobCount)).load();
}

inline void SetEntryJobCount(PrinterEntry &entry, int32_t count)
{
    std::atomic_ref(entry.jobCount).store(count);
}

// Raises the job count by `copies` without losing a refresh's or another dispatch's change.
inline void AddEntryJobCount(PrinterEntry &entry, int32_t copies)
{
    std::atomic_ref(entry.jobCount).fetch_add(copies);
}
