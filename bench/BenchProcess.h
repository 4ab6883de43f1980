#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

// What the composition benchmarks share: timing a whole child process and
// making photos with detail everywhere.

// One finished child process: wall time and peak resident memory.
struct Measured
{
    bool ok = false;
    double ms = 0;
    double peakMb = 0;
    double cpuMs = 0; // user and system time of the process
};

// Runs `program` under /usr/bin/time, whose own small process is the child's
// parent: a child spawned from a big process would inherit its memory
// high-water mark.
Measured RunMeasured(const QString &program, const QStringList &arguments);

double Median(std::vector<double> values);

// A JPEG of gradients and noise (quality 92), so the decoder and encoder
// work as hard as on a real picture; `seed` varies the noise.
void MakeDetailedPhoto(const QString &path, QSize size, int seed = 42);
