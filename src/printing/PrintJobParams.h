#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>

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
};
