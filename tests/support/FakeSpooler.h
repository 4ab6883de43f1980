#pragma once

#include "platform/Spooler.h"

#include <map>
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
        std::optional<PrinterDevice> device = PrinterDevice{QStringLiteral("Generic"), {}, QStringLiteral("usb://x"), 1, 1, 1};
        std::vector<PaperInfo> papers{{QStringLiteral("A4"), 1}};

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

    std::optional<QStringList> EnumeratePrinters() override;
    std::optional<PrinterHandle> Open(const QString &name) override;
    std::optional<PrinterInfo> Information(const PrinterHandle &printer) override;
    std::optional<std::vector<PrintJobInfo>> Jobs(const PrinterHandle &printer, int first, int count) override;
    std::optional<PrinterDevice> DefaultDevice(const QString &name) override;
    std::vector<PaperInfo> Papers(const QString &name) override;
    QUrl PreferencesPage(const QString &name) const override;

private:
    const Printer *Find(const QString &name);

    mutable std::mutex m_mutex;
    std::vector<Printer> m_printers;
    bool m_reachable = true;
    int m_calls = 0;
};
