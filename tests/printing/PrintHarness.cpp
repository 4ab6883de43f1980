#include "tests/printing/PrintHarness.h"

#include "desk/PrintThreadSlots.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "platform/Clock.h"
#include "platform/CodePage936.h"
#include "platform/Pause.h"
#include "printing/PrintJob.h"

#include <QFile>
#include <QThread>

#include <atomic>

namespace {

const QDateTime kLogStart(QDate(2026, 5, 4), QTime(10, 0, 0, 100));

} // namespace

PrintHarness::PrintHarness(std::shared_ptr<Spooler> spooler, double pauseScale)
{
    std::filesystem::create_directories("Config/LOG");
    SetPauseScale(pauseScale);
    SetPrintSpooler(std::move(spooler));
    auto tick = std::make_shared<std::atomic<qint64>>(0);
    Clock::Fix([tick] { return kLogStart.addMSecs((*tick)++); });
}

PrintHarness::~PrintHarness()
{
    WaitForPrintThreads();
    // Whatever still runs is asked to stop and joined: no job outlives the harness.
    StopPrintThreads();
    SetPrintSpooler(nullptr);
    Clock::Reset();
    SetPauseScale(1.0);
}

void PrintHarness::AddPrinter(const QString &name, bool checked, int32_t jobCount, int32_t workMode)
{
    PrinterTable.push_back(PrinterEntry{.name = name, .jobCount = jobCount, .checked = checked, .workMode = workMode});
    SelectedPrinterCount = static_cast<int>(std::count_if(PrinterTable.begin(), PrinterTable.end(), EntryChecked));
    BuildThreadTables();
}

bool PrintHarness::WaitForPrintThreads(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (PrintThreadsRunning() > 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QThread::msleep(5);
    }
    return true;
}

QStringList PrintHarness::RunLog()
{
    QFile file(RunLogFileName(kLogStart));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList entries;
    for (const QString &line : CodePage936::ToUnicode(file.readAll()).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QStringLiteral("Code=")))
            entries.append(line.mid(5));
    }
    return entries;
}
