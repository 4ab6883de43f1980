#pragma once

#include <QString>

// Records that `copies` copies of the picture were printed, in the day's
// print record. Called by a print job once the spooler has accepted its
// document. Safe to call from any thread.
void SavePrintInfo(const QString &pictureName, int copies);
