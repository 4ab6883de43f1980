#pragma once

#include <QStringView>

// Numbers stored as text in settings and record files, read the way the
// program has always read them. A number beyond the int range saturates.

// Settings values: leading blanks skipped, an optional sign, then decimal
// digits up to the first other character; no digits gives 0.
int DecimalValue(QStringView text);

// Picture numbers and counts: decimal digits from the very first character
// on, no sign; a text that does not start with a digit gives 0.
int LeadingDigitsValue(QStringView text);

// Record and settings lines are read by their first blank-delimited word.
QStringView FirstWord(QStringView line);
