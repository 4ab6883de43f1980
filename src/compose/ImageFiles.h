#pragma once

#include <QImage>
#include <QString>

#include <filesystem>

// A path as Qt's file classes take it.
QString PathText(const std::filesystem::path &path);

// Saves `image` as a JPEG of the given quality (10..100). The file appears
// complete or not at all: it is written beside its final name and renamed
// when done, so a crash or a full disk never leaves half a picture for the
// queue to print. False when it could not be written.
bool SaveJpeg(const std::filesystem::path &path, int quality, const QImage &image);

// Loads a frame template. A template with an alpha channel in any stored
// format comes back as 32-bit ARGB, the form in which the compositions blend
// it and the analysis reads it; a null image when it cannot be read.
QImage LoadFrameTemplate(const std::filesystem::path &path);

// The largest reduction (8, 4 or 2) at which the JPEG decoder can read a
// picture of the stored size that divides it exactly and still gives at
// least `minimum`; 1 when there is none. An exact divisor means Qt adds no
// second resize after the decoder's own.
int JpegDecodeReduction(QSize stored, QSize minimum);

// `image` resized to `size` with area averaging when it shrinks (every
// source pixel counts, so fine detail does not alias) and smooth
// interpolation when it grows; the image itself when the size is the same.
QImage StretchImage(const QImage &image, QSize size);
