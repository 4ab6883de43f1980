#pragma once

#include <QString>

// What the print manager page has of an event's set-up.
struct SetupState
{
    bool sourceFolder = false;
    bool frameFile = false;
    bool paperSize = false;
    // Printers the spooler listed; -1 while the list is not ready.
    int printers = -1;
    bool printerChosen = false;
    bool printing = false;
};

// The hint line's next step for a newcomer, in the order an operator sets
// up an event: a printer at all, then source folder, frame template, paper
// size, a printer ticked, "开始". Empty once automatic printing runs.
QString SetupGuidance(const SetupState &state);

// The guidance while the spooler lists no printer at all.
const QString &NoPrinterGuidance();

// True for texts the hint line shows while nothing else is to be said, so
// the guidance may take their place.
bool IsRestingHint(const QString &text);
