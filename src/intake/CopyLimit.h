#pragma once

#include <QString>

// The most copies one order may ask for. No event hands a guest more of one
// photo; a damaged info file or a stray digit typed must not become a job of
// thousands. Orders above it are cut to it, told in the run log with the
// number asked for and shown in the hint line, so nothing goes unseen.
inline constexpr int MaxCopies = 99;

// `copies` cut to MaxCopies; a cut writes the run-log line
// "补打张数超过上限:" + what + " " + copies.
int CutToCopyLimit(int copies, const QString &what);
