#pragma once

#include "intake/ReprintListModel.h"
#include "intake/ReprintTexts.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <optional>

class PhotoListModel;

// Adds a reprint row: at the top when PriorityNext is set (and clears it),
// else at the end. The counters and the file are the caller's steps.
// Returns the new row's key.
ReprintListModel::Key AddReprintEntry(ReprintListModel &reprints, const QString &id, const QString &name,
                                      const QString &quantity, const QString &path);

// "ID,name:path}quantity;", and back; a line missing any of the four fields gives nothing.
QString ReprintLine(const ReprintRow &row);
std::optional<ReprintRow> ParseReprintLine(QStringView line);

// Writes the reprint list as it is now to the day's reprint list file,
// replacing the file atomically: a crash during the save leaves the previous
// or the new list. Safe from any thread; saves are serialised and each writes
// the list it reads under the file lock, so the last save leaves the last list.
// Writes nothing (false) while the start-up restore has yet to read the file.
bool SaveReprintList(const ReprintListModel &reprints);
// Hand-overs of reprint copies as the list file shows them: "h" + number
// once the copies left the list for a print job, "r" + number once copies
// that did not print came back into it. The marks of this run are saved with
// the list, on a last line "handover,h12 r12 ..." that has no ":" and so is
// no reprint row to any reader; a restart tells from them whether the file
// already holds a hand-over's change. Call under reprint_file_cs, with the
// list change, before the save.
void MarkReprintHandOver(QChar kind, int64_t handOver);
// The marks the day's reprint list file holds.
QStringList ReprintHandOverMarks();

// After rows were added or removed: ReprintFileCount follows the list and the list is saved.
void ReprintListChanged(const ReprintListModel &reprints);

// Brings back today's records once the printed list has been rebuilt from
// the printed folder: the quantity of every printed row (column 1 grows by
// the copies of each print record line with its name), the printers' printed
// counts (the last line of each printer), and the reprint rows, appended in
// file order while ReprintTotalCount and ReprintFileCount grow with them.
// A restored reprint row's ID becomes the index of the printed row with its
// name (-1 when there is none), so its copies count on the right photo.
// Missing files are created empty. A later day finds no files and restores
// nothing. Run before anything else changes the printed list.
void RestoreFromRecords(PhotoListModel &printed, ReprintListModel &reprints, const ShowHint &showHint);

// The number a companion tool's info file asks for: the decimal value of its
// last line (a final line feed ends the last line, it does not start an
// empty one; an empty or non-numeric last line gives 0). 0 when the file
// cannot be read. The file is read whole into memory, so the tool may
// rewrite it meanwhile: a read that overlapped a rewrite in place is taken
// again, so the result is the old or the new number.
int ReadInfoCount(const std::filesystem::path &infoFile);
