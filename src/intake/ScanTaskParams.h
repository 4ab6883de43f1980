#pragma once

#include <QString>

// The record a scan or composition thread is started with; the started
// thread owns it. A scan uses the frame file, the paper size texts and the
// source folder; a composition uses everything but the source folder.
struct ScanTaskParams
{
    QString fileName;       // with extension
    QString sourcePath;     // full path of the source file
    QString frameFile;      // frame template file; empty for none
    QString extension;
    QString paperWidthText; // millimetres, as typed
    QString paperHeightText;
    QString sourceFolder;
};
