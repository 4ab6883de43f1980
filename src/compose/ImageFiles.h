#pragma once

#include <QImage>
#include <QString>

#include <filesystem>

// The open-file dialogs' filter for frame templates and photos, in Qt's
// syntax ("name (pattern pattern ...)"); the patterns match either case.
QString ImageFileFilter();

// A path as Qt's file classes take it.
QString PathText(const std::filesystem::path &path);

// Saves `image` as a JPEG of the given quality (10..100). The file appears
// complete or not at all: it is written beside its final name and renamed
// when done, so a crash or a full disk never leaves half a picture for the
// queue to print. False when it could not be written.
bool SaveJpeg(const std::filesystem::path &path, int quality, const QImage &image);

// Loads a photo as its camera showed it (turned upright by its EXIF
// orientation), of any size. A JPEG at least twice `atLeast` large is
// decoded at 1/2, 1/4 or 1/8 by the decoder itself, never smaller than
// `atLeast`; with `atLeast` empty it is decoded whole. A null image when it
// cannot be read.
QImage LoadPhoto(const std::filesystem::path &path, QSize atLeast = {});

// The size of a photo as LoadPhoto gives it whole, read from its header;
// invalid when it cannot be read.
QSize PhotoSize(const std::filesystem::path &path);

// Lets Qt's readers take pictures of any size: its default cap of 128 MB
// refuses a 45 MP photo or a frame template above 33 MP.
void AllowLargeImages();

// Loads a frame template. A template with an alpha channel in any stored
// format comes back as 32-bit ARGB, the form in which the compositions blend
// it and the analysis reads it; a null image when it cannot be read.
QImage LoadFrameTemplate(const std::filesystem::path &path);

// The largest reduction (8, 4 or 2) at which the JPEG decoder reads a
// picture of the stored size still at least `minimum` large; 1 when there
// is none.
int JpegDecodeReduction(QSize stored, QSize minimum);

// `image` resized to `size` with area averaging when it shrinks (every
// source pixel counts, so fine detail does not alias) and smooth
// interpolation when it grows; the image itself when the size is the same.
QImage StretchImage(const QImage &image, QSize size);
