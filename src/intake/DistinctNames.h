#pragma once

#include <QString>

// Two cameras can both deliver IMG_1234.JPG, and two different names can
// give the same pending name (IMG_1234.JPG, DSC1234.JPG). A photo must never
// replace another one, so a name already taken gets a copy number before its
// first "." after the first character: 1234.JPG, then 1234-2.JPG, 1234-3.JPG.
// A pending name never holds a "-" of its own (only digits before the "."),
// so a numbered name cannot meet a camera's name; "-" survives the record and
// reprint files, whose fields end at ":", ",", "}" and ";". Moves that keep
// both files (Pic_S, Pic_B) number names the same way (FileMove::KeepBoth).

// The name with copy number `copy` (2 or more) inserted; copy 1 is the name itself.
QString WithCopyNumber(const QString &name, int copy);

// The first of `pendingName`, its -2, -3, ... whose key (the name cut before
// its first ".") no photo in Pic_P or Pic_R has, whatever its extension and
// case: the key names the photo in the picture numbers and the day's records.
// Call under the composition lock, so nobody takes the name meanwhile.
QString DistinctPendingName(const QString &pendingName);

