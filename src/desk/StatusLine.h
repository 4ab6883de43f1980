#pragma once

#include <QString>

// What the status line shows, read from the shared flags at one moment.
struct StatusSnapshot
{
    bool printersBusy = false;
    bool manualMode = false;
    int selectedPrinters = 0;
    QString composingName;
    QString printingName;
    int reprintFiles = 0;
    int reprintTotal = 0;
};

StatusSnapshot TakeStatusSnapshot();
QString BuildStatusLine(const StatusSnapshot &status);
