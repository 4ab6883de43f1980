#pragma once

#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "printing/PrinterRegistry.h"
#include "printing/WorkMode.h"
#include "tests/support/FakeSpooler.h"
#include "tests/support/FreshState.h"
#include "tests/support/ProgramFolder.h"

#include <QSignalSpy>

#include <filesystem>
#include <memory>

// A program folder, a fake spooler with printers, the list model and the
// registry over them, with the shared flags as a fresh start leaves them.
struct RegistryHarness
{
    explicit RegistryHarness(std::vector<FakeSpooler::Printer> printers)
    {
        std::filesystem::create_directory("Config/LOG");
        PrintCyclePhase = 1;
        for (const auto &printer : printers)
            spooler.Set(printer);
        registry = std::make_unique<PrinterRegistry>(spooler, model);
    }

    ~RegistryHarness() { registry.reset(); }

    bool Enumerate()
    {
        QSignalSpy done(registry.get(), &PrinterRegistry::Enumerated);
        registry->Enumerate();
        return done.wait(5000);
    }

    // One pass and the paper queries it started.
    void Refresh()
    {
        registry->RefreshPrinters();
        registry->WaitIdle();
    }

    QString Text(int row, int column) const { return model.Text(row, column); }

    FreshState state;
    ProgramFolder folder;
    FakeSpooler spooler;
    PrinterListModel model;
    std::unique_ptr<PrinterRegistry> registry;
};

inline FakeSpooler::Printer FakePrinter(const QString &name)
{
    return FakeSpooler::Printer::Named(name);
}
