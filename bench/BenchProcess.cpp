#include "bench/BenchProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

// Run under /usr/bin/time, whose own small process is the child's parent:
// a child spawned from this big process would inherit its memory high-water mark.
Measured RunMeasured(const QString &program, const QStringList &arguments)
{
    static const QString peakFile = QDir::temp().filePath(QStringLiteral("vellora-bench-peak-%1").arg(getpid()));
    std::vector<std::string> texts{"/usr/bin/time", "-f", "%M %U %S", "-o", peakFile.toStdString(), program.toStdString()};
    for (const QString &argument : arguments)
        texts.push_back(argument.toStdString());
    std::vector<char *> argv;
    for (std::string &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return {};
    }
    int status = 0;
    waitpid(child, &status, 0);
    Measured measured;
    measured.ms = timer.nsecsElapsed() / 1e6;
    QFile peak(peakFile);
    if (peak.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = peak.readAll().trimmed().split('\n').last().split(' ');
        if (fields.size() == 3) {
            measured.peakMb = fields[0].toDouble() / 1024.0;
            measured.cpuMs = (fields[1].toDouble() + fields[2].toDouble()) * 1000.0;
        }
    }
    measured.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!measured.ok)
        std::fprintf(stderr, "failed: %s %s\n", qPrintable(program), qPrintable(arguments.join(u' ')));
    return measured;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void MakeDetailedPhoto(const QString &path, QSize size, int seed)
{
    QImage photo(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < photo.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int noise = static_cast<int>(random.bounded(48));
            row[x] = qRgb((x / 24 + noise) & 0xFF, (y / 16 + noise) & 0xFF, ((x + y) / 40 + noise) & 0xFF);
        }
    }
    photo.save(path, "jpeg", 92);
}
