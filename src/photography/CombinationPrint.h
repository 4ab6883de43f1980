#pragma once

#include <QDateTime>
#include <QString>

#include <filesystem>
#include <vector>

class PhotoQueue;

// Handing a combined picture to the print queue: it joins the pending list
// like any composed photo, and its copies beyond the first wait in an info
// file until the combination reprint session finds it printed.

// The combined picture's name: year, month, day, hour and minute, then the
// second without padding, so 13 or 14 digits (2024030509075 for 09:07:05 on
// 5 March 2024).
QString CombinationPictureName(const QDateTime &now);

// The copies as typed: leading decimal digits; below 1 means one copy, above
// the copy limit (MaxCopies) the limit.
int CombinationCopies(const QString &typed);

// Writes "CombinationAddPrint/NAME.vellora" holding `extra` and a line
// feed in UTF-16LE, replacing the file in one piece.
bool WriteCombinationInfoFile(const QString &name, int extra);

// Prints `copies` of the combined picture at `combined`: logs it, moves it
// into Pic_P as NAME.jpg (an existing picture of that name is never
// replaced), lists it as pending unless the name is listed, writes the info
// file for the copies after the first, and keeps the shots in Pic_S (a
// shot never replaces an original there: it takes a copy number). True when the picture went into
// Pic_P; otherwise it stays where it was and nothing else is done.
bool PrintCombination(const std::filesystem::path &combined, int copies, const std::vector<QString> &shots,
                      PhotoQueue &queue, const QDateTime &now = QDateTime::currentDateTime());
