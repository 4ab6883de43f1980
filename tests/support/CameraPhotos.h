#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// Photos shaped like camera and phone files, made by the tests themselves.

// A picture whose four quadrants are red, green (top) and blue, yellow
// (bottom): any turn or mirror of it shows.
QImage Quadrants(QSize size);

// The pixels a camera stores for a picture shown as `upright` under the EXIF
// orientation (1 to 8), from the standard's definitions.
QImage StoredFor(const QImage &upright, int orientation);

// A JPEG of the picture, as bytes.
QByteArray JpegBytes(const QImage &image, int quality = 92);
// The same, progressive: the picture refined over several scans.
QByteArray ProgressiveJpegBytes(const QImage &image, int quality = 92);

// The JPEG with an EXIF block carrying the orientation tag, as cameras write it.
QByteArray WithExifOrientation(const QByteArray &jpeg, int orientation);

// The JPEG cut halfway through its image data with an end marker appended,
// as a card pulled mid-write or a broken transfer leaves it.
QByteArray CutWithEndMarker(const QByteArray &jpeg);

// The baseline JPEG declaring another size in its frame header than its
// image data holds.
QByteArray DeclaringSize(QByteArray jpeg, int width, int height);

// Runs a tool (ImageMagick, exiftool); true when it ran and succeeded.
bool RunTool(const QString &program, const QStringList &arguments);
