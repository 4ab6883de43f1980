#pragma once

#include <QStringView>

// Numbers stored as text in settings and record files, read by the two rules
// below so that every file gives the same number wherever it is read. A number
// beyond the int range saturates.

// Settings values: leading blanks skipped, an optional sign, then decimal
// digits up to the first other character; no digits gives 0.
int DecimalValue(QStringView text);

// Picture numbers and counts: decimal digits from the very first character
// on, no sign; a text that does not start with a digit gives 0.
int LeadingDigitsValue(QStringView text);

// Record and settings lines are read by their first blank-delimited word.
QStringView FirstWord(QStringView line);
