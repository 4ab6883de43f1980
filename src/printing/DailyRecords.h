#pragma once

#include <QString>

#include <filesystem>

// The three record files of a day under Config, which let a restart on the
// same day bring back the printed quantities, the printers' printed counts
// and the waiting reprints. UTF-16LE lines, each ended by a line feed.

// The local date as eight digits, year month day (20240305).
QString TodayStamp();

// Config/<stamp>.vellora: one "name:copies;" line per print job.
std::filesystem::path PrintRecordFile(const QString &stamp);
// Config/<stamp>PT.vellora: after every job, one "printer:printed count;" line per printer.
std::filesystem::path PrinterCountFile(const QString &stamp);
// Config/<stamp>APT.vellora: the reprint list as it is now, "ID,name:path}quantity;" per row.
std::filesystem::path ReprintListFile(const QString &stamp);

// A "name:count;" line of the print record and printer count files.
QString CountLine(const QString &name, int count);

// A count line split at its first ":": the name before it and the decimal
// value after it. A line without ":" gives an empty name.
struct CountRecord
{
    QString name;
    int count = 0;
};
CountRecord ParseCountLine(QStringView line);
