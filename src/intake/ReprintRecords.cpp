#include "intake/ReprintRecords.h"

#include "desk/Locks.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "intake/CopyLimit.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintState.h"
#include "platform/DecimalText.h"
#include "platform/FileIo.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"

#include <QHash>

#include <chrono>
#include <thread>

namespace {

// Printed list columns the records fill in.
constexpr int PrintedQuantityColumn = 1;
constexpr int PrintedNameColumn = 2;

// A read of an info file that met a rewrite in place is taken again, for at most this long.
constexpr int InfoReadAttempts = 50;
constexpr std::chrono::milliseconds InfoReadRetryPause{2};
constexpr std::chrono::milliseconds InfoReadPatience{1000};

// The text from `from` up to the first `delimiter` after it (or the end);
// `from` moves past the delimiter, or to the end when there is none.
QStringView TakeField(QStringView line, qsizetype &from, QChar delimiter)
{
    const qsizetype end = line.indexOf(delimiter, from);
    const QStringView field = line.mid(from, (end < 0 ? line.size() : end) - from);
    from = end < 0 ? line.size() : end + 1;
    return field;
}

// The lines of a record file; a missing file is created empty and has none.
QStringList RecordLines(const std::filesystem::path &file)
{
    if (!std::filesystem::exists(file)) {
        Utf16File::WriteText(file, QString());
        return {};
    }
    return Utf16File::ReadLines(file).value_or(QStringList());
}

void RestorePrintedQuantities(PhotoListModel &printed, const QString &stamp)
{
    QHash<QString, int> copiesByName;
    for (const QString &line : RecordLines(PrintRecordFile(stamp))) {
        const CountRecord record = ParseCountLine(FirstWord(line));
        if (!record.name.isEmpty())
            copiesByName[record.name] += record.count;
    }
    for (int row = 0, rows = printed.RowCount(); row < rows; ++row) {
        const auto copies = copiesByName.constFind(printed.Text(row, PrintedNameColumn));
        if (copies == copiesByName.constEnd())
            continue;
        const int current = DecimalValue(printed.Text(row, PrintedQuantityColumn));
        printed.SetText(row, PrintedQuantityColumn, QString::number(current + *copies));
    }
}

void RestorePrinterCounts(const QString &stamp)
{
    // The file holds one snapshot per job; the last line of a printer is its count.
    QHash<QString, int> lastCount;
    for (const QString &line : RecordLines(PrinterCountFile(stamp))) {
        const CountRecord record = ParseCountLine(line);
        if (!record.name.isEmpty())
            lastCount[record.name] = record.count;
    }
    const std::lock_guard table(printer_table_cs);
    for (PrinterEntry &entry : PrinterTable) {
        const auto count = lastCount.constFind(entry.name);
        if (count != lastCount.constEnd())
            entry.printedCount = *count;
    }
}

// Printed row index by name: the printed list is rebuilt in name order, not
// in the order the photos were printed, so a saved row index is stale.
QHash<QString, int> PrintedRowsByName(const PhotoListModel &printed)
{
    QHash<QString, int> rows;
    for (int row = printed.RowCount() - 1; row >= 0; --row)
        rows.insert(printed.Text(row, PrintedNameColumn), row);
    return rows;
}

void RestoreReprintList(const PhotoListModel &printed, ReprintListModel &reprints, const QString &stamp)
{
    const QHash<QString, int> printedRows = PrintedRowsByName(printed);
    for (const QString &line : RecordLines(ReprintListFile(stamp))) {
        std::optional<ReprintRow> row = ParseReprintLine(line);
        if (!row)
            continue;
        // A photo no longer in the printed list has no row to count on (-1).
        row->id = QString::number(printedRows.value(row->name, -1));
        // Restored rows keep their saved order whatever a priority click left behind.
        reprints.InsertRow(reprints.RowCount(), *row);
    }
}

// The value of the last line of an info file's text.
int LastLineValue(const QByteArray &bytes)
{
    QString text = FileIo::FromUtf16Le(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const qsizetype lastBreak = text.lastIndexOf(QLatin1Char('\n'));
    return DecimalValue(QStringView(text).mid(lastBreak + 1));
}

// A text file never holds U+0000; pages a truncation was clearing while
// they were read come back as zeros, with the file's time unchanged when the
// writer finished within the same clock tick.
bool HasNulCharacter(const QByteArray &utf16)
{
    for (qsizetype at = 0; at + 1 < utf16.size(); at += 2) {
        if (utf16[at] == '\0' && utf16[at + 1] == '\0')
            return true;
    }
    return false;
}

// True when the file was changed in place while it was read, or read empty
// between a truncation and the new text.
bool ReadDuringRewrite(const std::filesystem::path &file, const FileIo::Contents &contents)
{
    // A text shorter than the file was when the read began was cut by a
    // truncation; the file's time may not show it within one clock tick.
    if (contents.bytes.isEmpty() || contents.bytes.size() != static_cast<qsizetype>(contents.stamp.size)
        || HasNulCharacter(contents.bytes))
        return true;
    const std::optional<FileIo::Stamp> now = FileIo::StampOf(file);
    // A file replaced by another one was read whole before it went.
    return now && now->inode == contents.stamp.inode && now->device == contents.stamp.device &&
           !(*now == contents.stamp);
}

} // namespace

QString ReprintText::Added(const QString &name, const QString &quantity)
{
    return ReprintText::AddedPrefix + name + QStringLiteral("补打") + quantity + QStringLiteral("张");
}

QString ReprintText::CopiesCut(const QString &name, const QString &asked)
{
    return name + QStringLiteral("要求补打") + asked + QStringLiteral("张，超过上限，只补打") + QString::number(MaxCopies)
        + QStringLiteral("张，请核对。");
}

ReprintListModel::Key AddReprintEntry(ReprintListModel &reprints, const QString &id, const QString &name,
                                      const QString &quantity, const QString &path)
{
    const bool top = PriorityNext.exchange(false);
    return reprints.InsertRow(top ? 0 : reprints.RowCount(), {id, name, path, quantity});
}

QString ReprintLine(const ReprintRow &row)
{
    return row.id + QLatin1Char(',') + row.name + QLatin1Char(':') + row.path + QLatin1Char('}') + row.quantity +
           QLatin1Char(';');
}

std::optional<ReprintRow> ParseReprintLine(QStringView line)
{
    qsizetype from = 0;
    ReprintRow row;
    row.id = TakeField(line, from, QLatin1Char(',')).toString();
    row.name = TakeField(line, from, QLatin1Char(':')).toString();
    row.path = TakeField(line, from, QLatin1Char('}')).toString();
    row.quantity = TakeField(line, from, QLatin1Char(';')).toString();
    if (row.id.isEmpty() || row.name.isEmpty() || row.path.isEmpty() || row.quantity.isEmpty())
        return std::nullopt;
    return row;
}

namespace {

const QString kMarksPrefix = QStringLiteral("handover,");
// Enough marks for every hand-over a restart can find unfinished.
constexpr qsizetype kMarksKept = 64;
QStringList g_marks; // under reprint_file_cs

} // namespace

void MarkReprintHandOver(QChar kind, int64_t handOver)
{
    const std::lock_guard lock(reprint_file_cs);
    g_marks.append(kind + QString::number(handOver));
    if (g_marks.size() > kMarksKept)
        g_marks.removeFirst();
}

QStringList ReprintHandOverMarks()
{
    const std::lock_guard lock(reprint_file_cs);
    for (const QString &line : Utf16File::ReadLines(ReprintListFile(TodayStamp())).value_or(QStringList())) {
        if (line.startsWith(kMarksPrefix))
            return line.mid(kMarksPrefix.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return {};
}

bool SaveReprintList(const ReprintListModel &reprints)
{
    const std::lock_guard lock(reprint_file_cs);
    if (ReprintFileUnread)
        return false;
    QString text;
    for (const ReprintRow &row : reprints.Rows())
        text += ReprintLine(row) + QLatin1Char('\n');
    if (!g_marks.isEmpty())
        text += kMarksPrefix + g_marks.join(QLatin1Char(' ')) + QLatin1Char('\n');
    return Utf16File::WriteText(ReprintListFile(TodayStamp()), text);
}

void ReprintListChanged(const ReprintListModel &reprints)
{
    ReprintFileCount = reprints.RowCount();
    SaveReprintList(reprints);
}

void RestoreFromRecords(PhotoListModel &printed, ReprintListModel &reprints, const ShowHint &showHint)
{
    showHint(ReprintText::Restoring);
    const QString stamp = TodayStamp();
    RestorePrintedQuantities(printed, stamp);
    RestorePrinterCounts(stamp);
    RestoreReprintList(printed, reprints, stamp);
    showHint(ReprintText::ReprintHowTo);
}

int ReadInfoCount(const std::filesystem::path &infoFile)
{
    // A writer that never pauses can keep every read "during a rewrite"; the
    // last text read whole is then one of its versions. Only the empty moment
    // between a truncation and the new text is never taken for a count: a
    // writer stopped there (preempted on a busy machine) is waited for, up to
    // a second.
    QByteArray lastText;
    const auto deadline = std::chrono::steady_clock::now() + InfoReadPatience;
    for (int attempt = 0;; ++attempt) {
        const std::optional<FileIo::Contents> contents = FileIo::ReadAll(infoFile);
        if (!contents)
            return 0;
        if (!ReadDuringRewrite(infoFile, *contents))
            return LastLineValue(contents->bytes);
        if (!contents->bytes.isEmpty())
            lastText = contents->bytes;
        if ((attempt >= InfoReadAttempts && !lastText.isEmpty()) || std::chrono::steady_clock::now() > deadline)
            return LastLineValue(lastText);
        std::this_thread::sleep_for(InfoReadRetryPause);
    }
}
