#pragma once

#include <QDateTime>
#include <QString>

// True for ".jpg" and ".jpeg" in any case. The extension is taken from the
// first "." within the path's last five characters (the whole path when it
// is shorter), so the source folder watcher and the pending-folder scan agree on it.
bool HasJpegExtension(const QString &path);

// The pending-folder name of an arriving photo: its digits and everything
// from the first "." after the first character on (IMG_1234.JPG gives
// 1234.JPG); a name without any digit gets the intake time instead
// (photo.jpg at 2024-03-05 09:07, 45 ms, gives 20240305090745.jpg).
QString MakePendingName(const QString &fileName, const QDateTime &now);
