// One print job on the private CUPS daemon, without the job's fixed pauses:
// the time from the job's start to the spooler accepting its document, for a
// composed photo of 2872 x 1927. Peak memory: run under /usr/bin/time -v.
//   PrintJobBench [runs]

#include "app/PrinterTable.h"
#include "app/ProcessState.h"
#include "compose/ImageFiles.h"
#include "platform/CupsSpooler.h"
#include "platform/Pause.h"
#include "printing/PrintJob.h"
#include "tests/support/PrivateCups.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

// A photo-like picture: smooth gradients with grain, so the page data
// compresses like a real composed photo and not like a flat colour.
QImage ComposedPhoto(int width, int height)
{
    QImage photo(width, height, QImage::Format_RGB32);
    QRandomGenerator grain(7);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(grain.bounded(24));
            line[x] = qRgb((x * 255 / width + noise) & 0xff, (y * 255 / height + noise) & 0xff, ((x + y) / 24 + noise) & 0xff);
        }
    }
    return photo;
}

QByteArray PeakMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM"))
            return line.simplified();
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    PrivateCups cups;
    if (!cups.Start() || !cups.AddQueue(QStringLiteral("Bench"))) {
        std::fprintf(stderr, "the private CUPS daemon did not start\n");
        return 1;
    }
    cups.UseInThisProcess();
    SetPrintSpooler(std::make_shared<CupsSpooler>());
    SetPauseScale(0.0);
    PrintDelaySeconds = 0;

    QTemporaryDir folder;
    std::filesystem::current_path(folder.path().toStdString());
    std::filesystem::create_directories("Config/LOG");
    std::filesystem::create_directories("Pic_R");
    const std::filesystem::path photo = "Pic_R/bench.jpg";
    SaveJpeg(photo, 100, ComposedPhoto(2872, 1927));
    PrinterTable.push_back(PrinterEntry{.name = QStringLiteral("Bench"), .checked = true});
    std::printf("before the jobs: %s\n", PeakMemory().constData());

    std::vector<qint64> times;
    for (int run = 0; run < runs; ++run) {
        PrintJobParams params;
        params.printerName = QStringLiteral("Bench");
        params.pictureName = QStringLiteral("bench.jpg");
        params.picturePath = photo;
        params.copies = 1;
        QElapsedTimer timer;
        timer.start();
        PrintJob(params);
        times.push_back(timer.elapsed());
        std::printf("job %d: %lld ms\n", run + 1, static_cast<long long>(times.back()));
    }
    std::sort(times.begin(), times.end());
    std::printf("median %lld ms, fastest %lld ms over %d jobs; printed count %d\n",
                static_cast<long long>(times[times.size() / 2]), static_cast<long long>(times.front()), runs,
                PrinterTable[0].printedCount);
    std::printf("after the jobs: %s\n", PeakMemory().constData());
    cups.WaitForReceived(static_cast<size_t>(runs), std::chrono::seconds(60));
    return PrinterTable[0].printedCount == runs ? 0 : 1;
}
