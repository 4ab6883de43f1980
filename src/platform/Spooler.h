#pragma once

#include <QByteArray>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// Printer status bits of the spooler's status word.
namespace PrinterStatusBit {
inline constexpr uint32_t Paused = 0x1;
inline constexpr uint32_t Error = 0x2;
inline constexpr uint32_t PaperJam = 0x8;
inline constexpr uint32_t PaperOut = 0x10;
inline constexpr uint32_t PaperProblem = 0x40;
inline constexpr uint32_t Offline = 0x80;
inline constexpr uint32_t Busy = 0x200;
inline constexpr uint32_t Printing = 0x400;
inline constexpr uint32_t OutputBinFull = 0x800;
inline constexpr uint32_t NotAvailable = 0x1000;
inline constexpr uint32_t Waiting = 0x2000;
inline constexpr uint32_t TonerLow = 0x20000;
inline constexpr uint32_t NoToner = 0x40000;
inline constexpr uint32_t OutOfMemory = 0x200000;
inline constexpr uint32_t DoorOpen = 0x400000;
inline constexpr uint32_t ServerOffline = 0x2000000;
} // namespace PrinterStatusBit

// Job status bits of the spooler's job status word.
namespace JobStatusBit {
inline constexpr uint32_t Paused = 0x1;
inline constexpr uint32_t Error = 0x2;
inline constexpr uint32_t Spooling = 0x8;
inline constexpr uint32_t Printing = 0x10;
inline constexpr uint32_t Offline = 0x20;
inline constexpr uint32_t PaperOut = 0x40;
inline constexpr uint32_t Printed = 0x80;
inline constexpr uint32_t Deleted = 0x100;
inline constexpr uint32_t Blocked = 0x200;
inline constexpr uint32_t Restarted = 0x800;
} // namespace JobStatusBit

// Printer attribute bits.
namespace PrinterAttributeBit {
inline constexpr uint32_t WorkOffline = 0x400;
} // namespace PrinterAttributeBit

// An opened printer. Opening only proves that the spooler knows the name;
// a handle holds nothing that needs closing.
struct PrinterHandle
{
    QString name;
};

// What a printer's driver says about its supplies (paper, ribbon, ink):
// one element per supply in each list, as the spooler's marker attributes
// give them. Levels are percentages; a negative level is not known.
struct PrinterMarkers
{
    QStringList names;
    std::vector<int> levels;
    std::vector<int> lowLevels;
    std::vector<int> highLevels;
    QStringList messages;
};

// A printer's state as the spooler reports it.
struct PrinterInfo
{
    uint32_t status = 0;
    uint32_t attributes = 0;
    int jobsKnown = 0;
    PrinterMarkers markers;
};

struct PrintJobInfo
{
    int id = 0;
    QString document;
    uint32_t status = 0;
};

// A printer's default device settings and where it is attached.
struct PrinterDevice
{
    QString driver;
    QString printer;
    QString port;         // the device URI; empty when the printer reports none
    // The queue's default paper: the name an operator knows it by ("4x6",
    // "A4", "Letter", else its keyword such as "w288h432"; empty when the
    // queue names none), its size as the driver lists it and its unprintable
    // margins, both in points.
    QString paperName;
    QSizeF paperSize;
    QMarginsF paperMargins;
    int orientation = 1;  // 1 portrait, 2 landscape
    int copies = 1;
};

// A JPEG document for a printer's queue: the prepared picture in memory, or
// else the file itself.
struct JpegDocument
{
    QString jobName;
    int copies = 1;
    QByteArray data;
    std::filesystem::path file;
};

// A job the spooler keeps, finished ones included, as a print job looks up
// whether an earlier attempt reached the printer before it sends again.
struct KeptJob
{
    int id = 0;
    bool withDocument = false; // the spooler holds the whole document: it prints or has printed
    bool dropped = false;      // canceled or aborted: it never printed
    qint64 createdAt = 0;      // seconds since the epoch
    int copies = 1;
};

// The spooler's answer to a request that changes something.
struct SpoolerAnswer
{
    bool accepted = false;
    int jobId = 0;  // the job made, for a document
    QString reason; // why it was refused, in the spooler's words
};

// The print spooler. Every operation answers within a few seconds, also when
// the spooler is stopped or hung; a failure is an empty result. Safe to call
// from several threads at once.
class Spooler
{
public:
    virtual ~Spooler() = default;

    // Names of the local and connected printers in the spooler's order; nothing when it cannot be asked.
    virtual std::optional<QStringList> EnumeratePrinters() = 0;
    // A handle, unless the spooler says it knows no printer of that name.
    virtual std::optional<PrinterHandle> Open(const QString &name) = 0;
    // Status word, attributes, number of queued jobs and supplies.
    virtual std::optional<PrinterInfo> Information(const PrinterHandle &printer) = 0;
    // Queued jobs first .. first + count - 1 in queue order (fewer when the queue is shorter).
    virtual std::optional<std::vector<PrintJobInfo>> Jobs(const PrinterHandle &printer, int first, int count) = 0;
    // The printer's default paper, orientation, copies and port.
    virtual std::optional<PrinterDevice> DefaultDevice(const QString &name) = 0;
    // Queues one JPEG document as a job of its own: the given copies and job
    // name, scaled by the spooler to fit the printable area of the queue's
    // default paper (neither cropped nor bordered when its shape matches),
    // and nothing else asked for. Accepted only when the spooler took it whole.
    virtual SpoolerAnswer PrintJpeg(const QString &printer, const JpegDocument &document) = 0;
    // Every job of the printer with this job name the spooler still keeps,
    // completed, canceled and aborted ones included; nothing when it cannot be asked.
    virtual std::optional<std::vector<KeptJob>> KeptJobsNamed(const QString &printer, const QString &jobName)
    {
        (void)printer;
        (void)jobName;
        return std::vector<KeptJob>{};
    }
    // Cancels a job (one that never got its document, so it cannot print later).
    virtual bool CancelJob(int jobId)
    {
        (void)jobId;
        return false;
    }
    // Starts a stopped queue again and releases the jobs it held back.
    virtual SpoolerAnswer ResumePrinter(const QString &name) = 0;
    // The page where the operator changes the printer's preferences.
    virtual QUrl PreferencesPage(const QString &name) const = 0;
};
