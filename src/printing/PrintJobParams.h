#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>

// What one print job thread is handed: which printer, which photo, how many
// copies. The reprint and combination threads carry their own parameters in
// the same record, which is why it has fields the print job never reads.
struct PrintJobParams
{
    int32_t printerIndex = 0;    // entry of the printer table
    QString printerName;
    QString pictureName;         // file name; the job's document name
    int32_t spareNumber = 0;
    std::filesystem::path picturePath; // normally "Pic_R/" + picture name
    int32_t copies = 1;
    QString spareText1;
    QString spareText2;
    QString spareText3;
    int32_t spareFlag = 0;

    // The hand-over this job carries out (0: none, nothing is journalled).
    int64_t handOver = 0;
    // What became of the job, told once, on the job's thread, after its
    // printing phase and before its hand-over is done: the caller moves the
    // photo or the copies accordingly. It returns false when the lists it
    // would change are gone (their Lifeline is cut): the hand-over then stays
    // open in the journal, and the next start settles it.
    enum class Outcome {
        Accepted,    // the spooler took it (or an earlier attempt): `copies` count as printed
        NotAccepted, // not printed: wait for a printer again
        CannotPrint, // the photo cannot be read: trying again would not help
    };
    std::function<bool(Outcome outcome, int copies)> answered;
};
