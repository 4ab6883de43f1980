#pragma once

#include <QStringView>

// The integer at the start of a settings text, read the way the program has
// always read its stored numbers: leading blanks skipped, an optional sign,
// then decimal digits up to the first other character. A text without digits
// gives 0; a number beyond the int range saturates at its end.
int DecimalValue(QStringView text);
