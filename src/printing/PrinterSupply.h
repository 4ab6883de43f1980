#pragma once

#include "platform/Spooler.h"

#include <QString>

#include <optional>

// What a printer has left, read from its driver's marker attributes: the
// prints a dye-sublimation driver counts in its message ("86 native prints
// remaining on 4x6 media", or "... ribbon"), else the supply's level in per
// cent, else nothing.
struct PrinterSupply
{
    std::optional<int> prints;
    std::optional<int> percent;
    // The driver's own low mark for the level, when it gives one.
    std::optional<int> lowPercent;
};

PrinterSupply ReadPrinterSupply(const PrinterMarkers &markers);

// The printer list's text: "约 86 张", "40%" or "—".
QString SupplyText(const PrinterSupply &supply);

// Below the low mark: the driver's low level, else 20 prints or 10 %.
bool SupplyLow(const PrinterSupply &supply);
