// One print job on the private CUPS daemon, without the job's fixed pauses:
// the time from the job's start to the spooler accepting its document, and
// the peak memory, for a composed photo of 2872 x 1927 on a portrait queue
// (so the photo is turned). Two ways in one run, each in a process of its
// own so their peak memories do not mask each other:
//   new  the print job as the program runs it (one JPEG document through libcups)
//   old  the photo painted through QPrinter onto Qt's CUPS print engine, as
//        the job did before, kept here only to compare
//   PrintJobBench [runs]            (as root: it starts a private cupsd)

#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "compose/ImageFiles.h"
#include "compose/ImageRoutines.h"
#include "platform/CupsSpooler.h"
#include "platform/Pause.h"
#include "printing/PrintJob.h"
#include "tests/support/PrivateCups.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

const QString kQueue = QStringLiteral("Bench");

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

long PeakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM"))
            return line.simplified().split(' ').value(1).toLong();
    }
    return 0;
}

// The job before: load, turn for the portrait page, paint through QPrinter.
bool OldPrintJob(const std::filesystem::path &photo)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(kQueue);
    QImage source;
    source.load(PathText(photo));
    QImage turned;
    ImageRotation(turned, source, QuarterTurn);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setCopyCount(1);
    printer.setDocName(QStringLiteral("bench.jpg"));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.drawImage(printer.pageRect(QPrinter::DevicePixel).toRect(), turned);
    return painter.end() && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

bool NewPrintJob(const std::filesystem::path &photo)
{
    const int before = PrinterTable[0].printedCount;
    PrintJobParams params;
    params.printerName = kQueue;
    params.pictureName = QStringLiteral("bench.jpg");
    params.picturePath = photo;
    params.copies = 1;
    PrintJob(params);
    return PrinterTable[0].printedCount == before + 1;
}

// One way, `runs` times, in this process: prints "<way> <median ms> <fastest ms> <peak kB> <base kB>".
int RunOneWay(const QString &way, int runs, const std::filesystem::path &photo)
{
    SetPrintSpooler(std::make_shared<CupsSpooler>());
    SetPauseScale(0.0);
    PrintDelaySeconds = 0;
    PrinterTable.push_back(PrinterEntry{.name = kQueue, .checked = true});
    const long base = PeakKilobytes();
    std::vector<qint64> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const bool accepted = way == QLatin1String("old") ? OldPrintJob(photo) : NewPrintJob(photo);
        times.push_back(timer.elapsed());
        if (!accepted) {
            std::fprintf(stderr, "%s: job %d was not accepted\n", qPrintable(way), run + 1);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("%s %lld %lld %ld %ld\n", qPrintable(way), static_cast<long long>(times[times.size() / 2]),
                static_cast<long long>(times.front()), PeakKilobytes(), base);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 5 && arguments[1] == QLatin1String("--way")) {
        std::filesystem::current_path(arguments[4].toStdString());
        return RunOneWay(arguments[2], std::max(1, arguments[3].toInt()), "Pic_R/bench.jpg");
    }
    const int runs = arguments.size() > 1 ? std::max(1, arguments[1].toInt()) : 5;

    PrivateCups cups;
    if (!cups.Start() || !cups.AddQueue(kQueue)) {
        std::fprintf(stderr, "the private CUPS daemon did not start\n");
        return 1;
    }
    cups.UseInThisProcess();
    QTemporaryDir folder;
    const std::filesystem::path root = folder.path().toStdString();
    std::filesystem::create_directories(root / "Config/LOG");
    std::filesystem::create_directories(root / "Pic_R");
    SaveJpeg(root / "Pic_R/bench.jpg", 100, ComposedPhoto(2872, 1927));

    std::printf("%d jobs each of a 2872 x 1927 photo, turned for a portrait page\n", runs);
    std::printf("%-4s %10s %10s %14s %14s\n", "way", "median ms", "fastest ms", "peak memory", "before jobs");
    int failed = 0;
    for (const char *way : {"old", "new"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(app.applicationFilePath(), {QStringLiteral("--way"), QString::fromLatin1(way), QString::number(runs),
                                                folder.path()});
        child.waitForFinished(600000);
        const QStringList figures = QString::fromUtf8(child.readAllStandardOutput()).simplified().split(' ');
        if (child.exitCode() != 0 || figures.size() != 5) {
            std::printf("%-4s failed\n", way);
            ++failed;
            continue;
        }
        std::printf("%-4s %10s %10s %11.1f MB %11.1f MB\n", way, qPrintable(figures[1]), qPrintable(figures[2]),
                    figures[3].toDouble() / 1024, figures[4].toDouble() / 1024);
    }
    cups.WaitForReceived(static_cast<size_t>(2 * runs), std::chrono::seconds(120));
    return failed;
}
