#pragma once

#include <QImage>

// Pixel routines shared by the compositions and the print job. They work on
// whole pixels of 1, 3 or 4 bytes (8-, 24- and 32-bit images) with nearest-
// pixel sampling, and their results are exact to the pixel so that every
// picture turns and scales the same way wherever it is done.

// The program's quarter turn: a hair under pi/2, which turns clockwise on
// screen and leaves a white margin of two pixels.
inline constexpr double QuarterTurn = 1.570795;

// Fills `Print_Img` with `source_IMG` turned by `angle` radians around its
// centre, nearest pixel, on white (opaque white at 32 bits). The result is
// two pixels wider and higher than the turned picture; one edge line of the
// source may be dropped or repeated by the rounding. Same format as the source.
void ImageRotation(QImage &Print_Img, const QImage &source_IMG, double angle);

// Fills `destination` with `source` resized by `factor` (> 0), nearest pixel,
// rounding half up; the size is truncated. Same format as the source.
void ImageScale(QImage &destination, const QImage &source, double factor);

// Makes `destination` an independent copy of `source` (a 32-bit copy carries
// an alpha channel); false, with `destination` untouched, when `source` is empty.
bool CopyImage(const QImage &source, QImage &destination);
