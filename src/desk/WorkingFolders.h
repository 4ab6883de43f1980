#pragma once

#include <QString>

// The program's working folders, relative to the program folder.
inline const QString PendingPrefix = QStringLiteral("Pic_P/");  // composed, waiting to print
inline const QString PrintedPrefix = QStringLiteral("Pic_R/");  // handed to a printer; reprints come from here
inline const QString SourcePrefix = QStringLiteral("Pic_S/");   // source photos as received
inline const QString TakenOutPrefix = QStringLiteral("Pic_B/"); // taken out of the queue by hand

// Creates Config (when missing), Config/LOG and the photo folders, one level
// each; a folder that cannot be created is left to fail where it is used.
void CreateWorkingFolders();
