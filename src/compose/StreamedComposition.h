#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <filesystem>
#include <functional>
#include <memory>

// The composition's fast road for the common case: a JPEG photo drawn at a
// size its decoder gives directly (1/1, 1/2, 1/4, 1/8) under a frame
// template with alpha at the canvas's size. The photo's rows are decoded on
// a second thread and laid under the template as they come, and every
// finished row is encoded at once, so decoding and encoding overlap and
// neither the photo nor the composed picture is held whole.

// A photo's rows being decoded on a thread of their own, a few bands ahead
// of whoever takes them; the thread ends with the object.
class PhotoRows;
class TemplateRows;
class JpegRowReader;

struct StreamedPhoto final
{
    // The photo's file as it was opened, its header read: stored upright
    // (orientation 1). Its rows are decoded from this one opening.
    std::shared_ptr<JpegRowReader> jpeg;
    std::filesystem::path path; // the same file, should it have to be decoded again
    int reduction = 1;
    QRect rect;    // the stored rows and columns to read, at 1/reduction
    QPoint corner; // where the photo's pixel (0, 0) lies on the canvas
    std::shared_ptr<PhotoRows> started; // decoding already under way, if so
    // The frame template's rows still being read into the template image, if so.
    std::shared_ptr<TemplateRows> templateRows;
};

// Starts decoding the photo's rows, so that they are ready when the
// composition comes to them (the frame template loads meanwhile).
std::shared_ptr<PhotoRows> StartPhotoRows(const StreamedPhoto &photo);

// `frameTemplate`: premultiplied 32-bit ARGB at the canvas's size, only
// read (it may be a kept template shared with the next photos, its rows
// still being read: see `photo.templateRows`). The composed picture (white
// where neither photo nor template show) is encoded row by row as it is
// laid and never held whole. `drawLabel` paints the label over the rows of
// `labelRect` before any of them is encoded. True when the photo's data was
// whole and the JPEG was written; `damaged` tells when the photo's data was
// damaged or cut short.
bool ComposeUnderTemplate(const StreamedPhoto &photo, const QImage &frameTemplate, QRect labelRect,
                          const std::function<void(QPainter &)> &drawLabel, const std::filesystem::path &outputPath,
                          int quality, bool &damaged);
