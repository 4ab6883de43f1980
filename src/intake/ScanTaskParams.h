#pragma once

#include <QString>

#include <filesystem>

// The record a scan or composition thread is started with; the started
// thread owns it. A scan uses the frame file, the paper size texts and the
// source folder; a composition uses everything but the source folder.
struct ScanTaskParams
{
    QString fileName;       // with extension; derived from the bytes when they are not UTF-8 (FileNameText)
    QString sourcePath;     // full path of the source file, as text for the run log and the lists
    std::filesystem::path source; // the source file as its folder holds it (its bytes): what is read and moved
    QString frameFile;      // frame template file; empty for none
    QString extension;
    QString paperWidthText; // millimetres, as typed
    QString paperHeightText;
    QString sourceFolder;
};
