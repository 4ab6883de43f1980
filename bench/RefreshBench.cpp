// One refresh pass of the printer list over six queues of a private CUPS
// daemon: four of its own and two that print to a second private daemon
// sharing its queues over IPP on a loopback port, as another desk would.
// Every queue has printed once, so its driver's supply figures are known.
// For each pass: its wall time on the registry's worker, and how much
// processor time the user-interface thread spent meanwhile (taking the
// list's updates) with the longest it was kept from its events.
//   RefreshBench [passes]          (as root: it starts two private cupsd)

#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "platform/CupsSpooler.h"
#include "printing/PrinterRegistry.h"
#include "tests/support/PrivateCups.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace {

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Pass
{
    double wallMs = 0;
    double uiCpuMs = 0;
    double uiStallMs = 0;
};

Pass OnePass(PrinterRegistry &registry)
{
    Pass pass;
    const double cpuBefore = ThreadCpuMs();
    QElapsedTimer wall;
    wall.start();
    QElapsedTimer gap;
    gap.start();
    registry.RequestRefresh(true);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pass.uiStallMs = std::max(pass.uiStallMs, gap.nsecsElapsed() / 1e6);
        gap.restart();
        QThread::usleep(500);
    } while (registry.RefreshRunning());
    QCoreApplication::processEvents(); // the pass's last list updates
    pass.wallMs = wall.nsecsElapsed() / 1e6;
    pass.uiCpuMs = ThreadCpuMs() - cpuBefore;
    return pass;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, atoi(argv[1])) : 30;

    QTemporaryDir folder;
    std::filesystem::current_path(folder.path().toStdString());
    std::filesystem::create_directories("Config/LOG");

    PrivateCups other;
    other.ShareOnLoopback();
    PrivateCups desk;
    if (!other.Start() || !desk.Start()) {
        std::fprintf(stderr, "the private daemons did not start (run as root)\n");
        return 1;
    }
    for (const char *queue : {"Shared-1", "Shared-2"}) {
        other.AddQueue(queue);
        other.SetSupply(queue, 300, 400, 10);
        desk.AddRemoteQueue(QStringLiteral("Remote-") + QString(queue).right(1), other, queue);
    }
    for (const char *queue : {"Local-1", "Local-2", "Local-3", "Local-4"}) {
        desk.AddQueue(queue);
        desk.SetSupply(queue, 300, 400, 10);
    }
    desk.UseInThisProcess();
    const auto page = std::filesystem::path(folder.path().toStdString()) / "page.txt";
    std::ofstream(page) << "page\n";
    for (const QString &queue : desk.Run("lpstat", {"-e"}).value_or("").split('\n', Qt::SkipEmptyParts))
        desk.Submit(queue, page, "warm-up");
    if (!other.WaitForReceived(2, std::chrono::seconds(60)) || !desk.WaitForReceived(4, std::chrono::seconds(60))) {
        std::fprintf(stderr, "the warm-up prints did not arrive\n");
        return 1;
    }

    CupsSpooler spooler;
    PrinterListModel model;
    PrinterRegistry registry(spooler, model);
    QSignalSpy enumerated(&registry, &PrinterRegistry::Enumerated);
    registry.Enumerate();
    if (!enumerated.wait(20000) || model.RowCount() != 6) {
        std::fprintf(stderr, "expected six queues, found %d\n", model.RowCount());
        return 1;
    }
    OnePass(registry); // the default papers and their queries
    registry.WaitIdle();

    std::vector<double> wall, share, stall;
    for (int i = 0; i < passes; ++i) {
        const Pass pass = OnePass(registry);
        wall.push_back(pass.wallMs);
        share.push_back(100.0 * pass.uiCpuMs / pass.wallMs);
        stall.push_back(pass.uiStallMs);
    }
    std::printf("refresh pass over 6 queues (4 local, 2 over IPP), %d passes\n", passes);
    std::printf("  wall time       median %.1f ms, worst %.1f ms\n", Median(wall), *std::max_element(wall.begin(), wall.end()));
    std::printf("  UI thread CPU   median %.1f %% of the pass, worst %.1f %%\n", Median(share),
                *std::max_element(share.begin(), share.end()));
    std::printf("  UI thread stall median %.1f ms, worst %.1f ms\n", Median(stall), *std::max_element(stall.begin(), stall.end()));
    for (int row = 0; row < model.RowCount(); ++row)
        std::printf("  %s: %s, %s\n", qPrintable(model.Text(row, 0)), qPrintable(model.Text(row, 1)),
                    qPrintable(model.Text(row, PrinterListModel::ColumnCount - 1)));
    return 0;
}
