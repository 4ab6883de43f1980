#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// One attached printer, as the spooler and this program know it.
struct PrinterEntry
{
    QString name;
    // The spooler's queue length at the last refresh, raised by the dispatcher as a reservation.
    int32_t jobCount = 0;
    // Copies this program printed on the printer.
    int32_t printedCount = 0;
    // Names of the queued documents, each followed by ";", or "..." for an empty queue (code page 936).
    QByteArray queueDocuments = "....";
    bool checked = false;
    QString statusText = QStringLiteral("关机");
    int32_t workMode = 0;
    // The queue took jobs at the last refresh: not stopped, out of paper,
    // offline or refusing them. The dispatcher hands photos only to these.
    bool canPrint = true;
};

// The printers in enumeration order; an entry's index is its row in the
// printer list. Filled once at start-up, emptied at exit. Dispatches and
// refreshes read and change it under printer_table_cs.
inline std::vector<PrinterEntry> PrinterTable;
