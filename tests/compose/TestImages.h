#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

// Pictures the composition tests make for themselves, and a pixel probe.

QImage Solid(QSize size, QColor color, QImage::Format format = QImage::Format_RGB32);

// A white frame template with one fully transparent window, saved as a PNG.
QImage SaveFrameWithWindow(const QString &path, QSize size, QRect window);

// A one-coloured JPEG photo.
void SaveSolidJpeg(const QString &path, QSize size, QColor color);

// Within JPEG noise of the expected colour.
::testing::AssertionResult Near(const QImage &image, QPoint at, QColor expected);
