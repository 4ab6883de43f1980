#pragma once

#include <QDateTime>
#include <QString>

// True for ".jpg" and ".jpeg" in any case, taken from the file name's last
// "." (so photo..jpg is a JPEG, photo.jpg.tmp is not); the source folder
// watcher and the pending-folder scan agree on it.
bool HasJpegExtension(const QString &path);

// The pending-folder name of an arriving photo: the digits of its stem (up
// to the first "." after the first character) and everything from that "."
// on (IMG_1234.JPG gives 1234.JPG); a stem without any digit gets the
// intake time instead (photo.jpg at 2024-03-05 09:07, 45 ms, gives
// 20240305090745.jpg; party.2024.jpg gives 20240305090745.2024.jpg, never
// the hidden .2024.jpg). A name that is all extension keeps it (.jpg gives
// 20240305090745.jpg).
QString MakePendingName(const QString &fileName, const QDateTime &now);
