#pragma once

#include <QString>

// Records a printed job in the day's files: a "name:copies;" line in the
// print record (the name cut before its first "."), then the printed count
// of every printer of the printer table in the printer count file, each
// appended with one write that reaches the file at once. Called by a print
// job once the spooler has accepted its document; safe from any thread, jobs
// finishing together are written one after the other. False when a file
// could not be written (nobody is told: the print itself went out).
bool SavePrintInfo(const QString &pictureName, int copies);
