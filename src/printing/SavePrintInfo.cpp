#include "printing/SavePrintInfo.h"

#include "desk/Locks.h"
#include "desk/PrinterTable.h"
#include "compose/PictureNumber.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"

#include <QStringList>

namespace {

// One line per printer, in table order, as the table is now.
QString PrinterCountLines()
{
    const std::lock_guard table(printer_table_cs);
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(PrinterTable.size()));
    for (const PrinterEntry &entry : PrinterTable)
        lines.append(CountLine(entry.name, entry.printedCount));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

bool SavePrintInfo(const QString &pictureName, int copies)
{
    const std::lock_guard lock(print_record_cs);
    // Both files of one job belong to the same day, even at midnight.
    const QString stamp = TodayStamp();
    const bool recorded = Utf16File::AppendLine(PrintRecordFile(stamp), CountLine(PictureNumberKey(pictureName), copies));
    // The whole snapshot goes out in one write, so a crash never leaves half of it.
    const QString printers = PrinterCountLines();
    const bool counted = printers.isEmpty() || Utf16File::AppendLine(PrinterCountFile(stamp), printers);
    return recorded && counted;
}
