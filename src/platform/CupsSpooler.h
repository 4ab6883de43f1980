#pragma once

#include "platform/Spooler.h"

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>

// CUPS printer state, as the IPP attributes give it.
struct CupsPrinterState
{
    int state = 3;         // printer-state: 3 idle, 4 processing, 5 stopped
    QStringList reasons;   // printer-state-reasons
    bool accepting = true; // printer-is-accepting-jobs
};

// The status word the program reads for a CUPS printer state, and the job
// status word for a CUPS job-state. Both come from one mapping table.
uint32_t CupsPrinterStatusWord(const CupsPrinterState &state);
uint32_t CupsJobStatusWord(int jobState);

// The spooler through libcups (IPP over the server that CUPS_SERVER or the
// client configuration names, taken when the object is made). Every request
// has its own connection with a connect and a read timeout; after a request
// could not reach the daemon, requests fail at once for a short while, so a
// hung daemon costs one timeout per pass, not one per printer.
class CupsSpooler final : public Spooler
{
public:
    CupsSpooler();

    std::optional<QStringList> EnumeratePrinters() override;
    std::optional<PrinterHandle> Open(const QString &name) override;
    std::optional<PrinterInfo> Information(const PrinterHandle &printer) override;
    std::optional<std::vector<PrintJobInfo>> Jobs(const PrinterHandle &printer, int first, int count) override;
    std::optional<PrinterDevice> DefaultDevice(const QString &name) override;
    SpoolerAnswer PrintJpeg(const QString &printer, const JpegDocument &document) override;
    SpoolerAnswer ResumePrinter(const QString &name) override;
    std::optional<std::vector<KeptJob>> KeptJobsNamed(const QString &printer, const QString &jobName) override;
    bool CancelJob(int jobId) override;
    QUrl PreferencesPage(const QString &name) const override;

    // The status word of any job the daemon still remembers, finished ones included.
    std::optional<uint32_t> JobStatus(int jobId);

    // Longest wait for a connection and for an answer.
    static constexpr std::chrono::milliseconds kTimeout{2000};
    // Longest wait for any one step of sending a print job: the daemon may
    // be busy starting filters, but a hung one never holds a job for good.
    static constexpr std::chrono::milliseconds kJobTimeout{10000};

private:
    // Sends one IPP request (taking it over) and returns the response, or null
    // when the daemon could not be reached or did not answer in time.
    std::shared_ptr<void> Request(void *request, const char *resource);
    std::shared_ptr<void> PrinterAttributes(const QString &name, std::initializer_list<const char *> attributes);
    // A connection with the given time limits, or null when the daemon cannot be reached.
    std::shared_ptr<void> Connect(std::chrono::milliseconds timeout);
    void MarkUnreachable();
    // The queue's PPD default paper into `device`; false when the queue has no PPD.
    bool ReadPpdPaper(void *http, const QString &name, PrinterDevice &device);
    SpoolerAnswer PrinterOperation(int operation, const QString &name);
    bool Reachable() const;

    std::string m_server;
    int m_port = 631;
    std::atomic<std::chrono::steady_clock::rep> m_unreachableUntil{0};
};
