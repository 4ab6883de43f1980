#pragma once

#include "platform/Spooler.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>

// An in-memory spooler: printers with a status word, attributes, jobs, a
// default device and papers, all set by the test. Thread-safe.
class FakeSpooler final : public Spooler
{
public:
    struct Printer
    {
        QString name;
        PrinterInfo info;
        std::vector<PrintJobInfo> jobs;
        std::optional<PrinterDevice> device = PrinterDevice{.driver = QStringLiteral("Generic"),
                                                            .printer = {},
                                                            .port = QStringLiteral("usb://x"),
                                                            .paperName = QStringLiteral("A4"),
                                                            .paperSize = QSizeF(595, 842),
                                                            .paperMargins = QMarginsF(12, 12, 12, 12)};
        // How the spooler answers a resume, and how many it was asked for.
        SpoolerAnswer resumeAnswer{true, 0, {}};
        int resumed = 0;

        static Printer Named(const QString &name)
        {
            Printer printer;
            printer.name = name;
            return printer;
        }
    };

    // Adds a printer at the end of the spooler's order, or replaces it.
    void Set(const Printer &printer);
    void Remove(const QString &name);
    // A stopped spooler: every call fails.
    void SetReachable(bool reachable);
    // Number of calls made to the fake so far.
    int CallCount() const;
    // Runs `hook` with the printer's name at the start of every Jobs call, on
    // the caller's thread and outside the fake's lock (it may block the caller).
    void OnJobs(std::function<void(const QString &)> hook);

    std::optional<QStringList> EnumeratePrinters() override;
    std::optional<PrinterHandle> Open(const QString &name) override;
    std::optional<PrinterInfo> Information(const PrinterHandle &printer) override;
    std::optional<std::vector<PrintJobInfo>> Jobs(const PrinterHandle &printer, int first, int count) override;
    std::optional<PrinterDevice> DefaultDevice(const QString &name) override;
    // Documents are kept as sent; they are refused unless AcceptDocuments(true).
    SpoolerAnswer PrintJpeg(const QString &printer, const JpegDocument &document) override;
    void AcceptDocuments(bool accept);
    // A spooler that prints whatever it is sent, on any printer name: each
    // unknown name has the default device, and documents are accepted.
    static std::shared_ptr<FakeSpooler> PrintingEverything();
    std::vector<JpegDocument> Documents() const;
    SpoolerAnswer ResumePrinter(const QString &name) override;
    std::optional<Printer> Get(const QString &name);
    QUrl PreferencesPage(const QString &name) const override;

private:
    Printer *Find(const QString &name);

    mutable std::mutex m_mutex;
    std::vector<Printer> m_printers;
    bool m_reachable = true;
    bool m_acceptDocuments = false;
    bool m_anyPrinter = false;
    std::vector<JpegDocument> m_documents;
    int m_calls = 0;
    std::function<void(const QString &)> m_onJobs;
};
