#pragma once

#include "compose/TemplateSettings.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <filesystem>
#include <optional>

// The template settings dialog's preview: the paper at screen size (96 dots
// per inch, one fifth of the composition canvas) with the template and a
// sample photo, placed by the composition's own rules so that the preview
// shows what will print. Everything here may run off the user-interface thread.

// The paper at 96 dots per inch.
QSize PreviewPaperSize(int paperWidthMm, int paperHeightMm);

// Where the composition puts a photo of `sample` pixels, in screen pixels
// on the paper.
QRect PreviewPhotoRect(QSize sample, const TemplateSettings &settings, int paperWidthMm, int paperHeightMm);

// Where the sample label shows on the paper when the dialog opens, and the
// label position that goes with it. The print's place, except for a stored
// place beyond the paper's right or bottom edge, where the label could never
// print: that one moves to the lower left corner and its position with it.
struct SampleLabelPlace final
{
    QPoint corner;
    double labelLeft;
    double labelTop;
};
SampleLabelPlace PlaceSampleLabel(double labelLeft, double labelTop, QSize paper);

// The template as the preview draws it, prepared once per dialog.
struct PreviewTemplate final
{
    QImage atPaper;        // stretched to the paper; colours premultiplied when it has alpha
    QSize size;            // template pixels; empty when it could not be read
    bool overPhoto = false; // a template with alpha goes over the photo, dimmed
    QPoint window{-1, -1}; // right and bottom edge of its transparent window, template pixels
};
PreviewTemplate PreparePreviewTemplate(const std::filesystem::path &templatePath, QSize paper);

// A sample photo, upright as its camera showed it: its size and its pixels
// at most `limit` large (the JPEG decoder scales while decoding), which is
// all a preview at screen size can show. Empty when the file cannot be read.
struct PreviewSample final
{
    QImage pixels;
    QSize size;
};
std::optional<PreviewSample> LoadPreviewSample(const std::filesystem::path &path, QSize limit);

// The preview picture: white paper, the part of the sample that lies on it
// stretched to `photo`, and the template: over the photo at a constant
// opacity of 150/255 without its own alpha (so the photo shows dimmed through
// the whole frame), or under the photo when it has no alpha.
QImage ComposePreview(const PreviewTemplate &frameTemplate, const QImage &sample, QRect photo);
