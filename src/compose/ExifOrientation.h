#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <filesystem>

// How a camera or phone says its photo is to be shown: the EXIF orientation
// tag, 1 (as stored) to 8. A portrait photo is often stored as landscape
// pixels with orientation 6 or 8; every viewer shows it upright, and so does
// this program wherever it composes, shows or prints a photo.

// The orientation tag of a JPEG file; 1 when it has none or it cannot be read.
int ExifOrientation(const std::filesystem::path &path);

// The orientation in an EXIF block (the APP1 payload after "Exif\0\0", a
// TIFF structure); 1 when it holds none or is damaged.
int OrientationInExif(const unsigned char *tiff, std::size_t size);

// True for the orientations that swap width and height (5 to 8).
bool OrientationSwapsSides(int orientation);

// The size of a stored picture once shown upright.
QSize UprightSize(QSize stored, int orientation);

// The part of the stored picture that shows as `upright` once turned upright.
QRect StoredRect(QRect upright, QSize stored, int orientation);

// Puts `count` stored rows of 32-bit pixels (from stored row `first` of a
// picture of `stored` size, `rowBytes` apart) where they show in `upright`,
// the picture turned upright: a picture is turned a band at a time, never
// held twice.
void PlaceStoredRows(const uchar *rows, qsizetype rowBytes, int first, int count, QSize stored, int orientation,
                     QImage &upright);
