#pragma once

#include "platform/Spooler.h"

#include <QString>

#include <optional>
#include <vector>

// A printer's queue as one status query sees it.
struct PrinterJobs
{
    std::vector<PrintJobInfo> jobs;
    uint32_t status = 0;
    PrinterInfo info; // the reading the jobs were asked for with
};

// The printer's status word and its queued jobs 0 .. (jobs known - 1), or
// nothing when the spooler could not give either.
std::optional<PrinterJobs> GetPrinterJobs(Spooler &spooler, const PrinterHandle &printer);

// The printer's state in words for the status column, from one reading of
// its state and queue.
QString PrinterStatusText(const PrinterJobs &queue);

// The run-log entry of one status query.
void LogStatusQuery(const QString &name);

// The printer's state in words for the status column. Logs the query. No
// handle means the printer could not be opened.
QString QueryPrinterStatus(Spooler &spooler, const std::optional<PrinterHandle> &printer, const QString &name);

// The queue takes a job now: not stopped, accepting jobs, not out of paper,
// not offline, door closed.
bool CanPrintNow(const PrinterInfo &info);

// Of a status word, what the printer itself reported as keeping it from
// printing (paper out, offline, door open).
uint32_t ReportedFaults(uint32_t status);

// The default device settings and port of the named printer.
std::optional<PrinterDevice> GetPrinterDevice(Spooler &spooler, const QString &name);

// Printers that are not real printers and can never be chosen.
bool IsVirtualPrinter(const QString &name);
