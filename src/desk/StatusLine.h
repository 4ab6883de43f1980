#pragma once

#include <QString>
#include <QStringList>

// What the status line shows, read from the shared flags at one moment.
struct StatusSnapshot
{
    bool printersBusy = false;
    bool manualMode = false;
    int selectedPrinters = 0;
    QString composingName;
    QString printingName;
    // The printer list's "文件" cells: what each printer's queue holds
    // ("name;" each, or dots when empty), shown while no job is being handed over.
    QStringList printerDocuments;
    int reprintFiles = 0;
    int reprintTotal = 0;
};

StatusSnapshot TakeStatusSnapshot();
QString BuildStatusLine(const StatusSnapshot &status);
