#pragma once

#include "compose/StreamedComposition.h"
#include "compose/TemplateSettings.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <filesystem>
#include <optional>

// A photo as the composition takes it: its pixels, the size it is stored
// at (upright, as the camera showed it) and the part of it the pixels show.
// They differ when the photo was decoded at 1/2, 1/4 or 1/8 of its size, or
// only the part that lands on the canvas was decoded (see
// LoadCompositionPhoto); placement always follows the stored size.
struct CompositionPhoto final
{
    QImage pixels;
    QSize storedSize;
    QRect region; // in stored pixels; may reach past the edge by less than a reduction step
    // Set instead of the pixels when the composition decodes the photo
    // itself, row by row (see OpenCompositionPhoto).
    std::optional<StreamedPhoto> deferred;
    // Set when its data turned out damaged or cut short while it was
    // decoded: the photo's own fault, not the template's or the disk's.
    bool damaged = false;

    static CompositionPhoto Whole(QImage image);
};

// Canvas pixels per 1/96 inch, the unit of the stored photo and label
// corners: the canvas has 480 dots per inch.
inline constexpr int CanvasPerScreenPixel = 5;

// Canvas size for a paper size in whole millimetres: 480 dots per inch.
QSize CanvasSize(int paperWidthMm, int paperHeightMm);

// The steps that decide where and how large the photo lands, each exact to
// the composition's rounding; ComposeSinglePhoto applies them in order.

// The factor that rescales a photo to the sample photo's size first, when the
// sample size is known, automatic size is on and the photo's size differs.
std::optional<double> AutoSizeFactor(QSize photo, const TemplateSettings &settings);

// The photo's drawn size: its size times the scale, in single precision.
QSize DrawnSize(QSize photo, float proportion);

// True when automatic rotation is on and the drawn size's orientation
// disagrees with the sample's (a square photo disagrees with both).
bool TurnApplies(QSize drawn, const TemplateSettings &settings);

// The photo's top-left corner: the stored place when both values are
// non-zero, otherwise a default margin from the canvas height.
QPoint PhotoCorner(QSize drawn, const TemplateSettings &settings, QSize canvas);

// The label: a space, then the photo's name cut before its first "." or the
// picture number, as the settings choose.
QString LabelText(const QString &photoName, int number, const TemplateSettings &settings);

// The label's top-left corner on the canvas.
QPoint LabelCorner(const TemplateSettings &settings);

// The label font: Arial (or its metric twin), italic, normal weight, sized so
// that its ascent plus descent is `cellHeight` pixels.
QFont LabelFont(int cellHeight);

// The part of a photo of `stored` size, drawn at `corner` in `drawn` size,
// that lands on a canvas of `canvas` size, in stored pixels and rounded out
// by a pixel for the stretch's filter; empty when none of it does.
QRect VisiblePart(QSize stored, QSize drawn, QPoint corner, QSize canvas);

// Reads a photo for ComposeSinglePhoto on a canvas of `canvas` size, turned
// upright by its EXIF orientation. When the photo will be neither rescaled
// to a sample size nor turned, the JPEG decoder keeps only the part that
// lands on the canvas and scales it while decoding (by 1/2, 1/4 or 1/8,
// never below the drawn size), which saves most of the decoding time and
// memory: a mistyped scale never builds a giant picture. Empty when the
// file cannot be read or its image data is cut short (a file still being
// written) or damaged (the decoder would have made up pixels).
std::optional<CompositionPhoto> LoadCompositionPhoto(const std::filesystem::path &path,
                                                     const TemplateSettings &settings, QSize canvas);

// As LoadCompositionPhoto, but a JPEG that the decoder gives at exactly its
// drawn size is left, its file open and its header read, to
// ComposeSinglePhoto to decode row by row while it composes and encodes:
// the composition's fastest road, holding no copy of the photo. Whether its
// data is whole is then known only once it is composed.
std::optional<CompositionPhoto> OpenCompositionPhoto(const std::filesystem::path &path,
                                                     const TemplateSettings &settings, QSize canvas);

// A photo and a frame template, ready for ComposeSinglePhoto.
struct CompositionInputs final
{
    QImage frameTemplate;                  // null when it cannot be read
    std::optional<CompositionPhoto> photo; // empty when it cannot be read or is cut short
    bool photoDamaged = false;             // it is empty because its data is damaged or cut short
    // (in this order: a photo that is still reading the template's rows goes first)
};

// Opens the photo (OpenCompositionPhoto) and takes the template
// (TakeFrameTemplate: the one kept from the photo before while its file is
// unchanged, else read on a second thread meanwhile; a template with alpha
// comes premultiplied). When the photo is left to the composition, a PNG
// template may still be being read, row by row, until ComposeSinglePhoto
// has used it: keep the two together.
CompositionInputs OpenCompositionInputs(const std::filesystem::path &photoPath,
                                        const std::filesystem::path &templatePath,
                                        const TemplateSettings &settings, QSize canvas);

// Lays `photo` into `frameTemplate` on a canvas of the paper's size with its
// label, saves the result as a JPEG at `outputPath` and records the photo's
// picture number under its name. A template with an alpha channel goes over
// the photo (its colours are premultiplied in place); any other template goes
// under it. The photo may be rescaled or turned in place. `settings` is the
// caller's copy of the template settings, taken under the composition lock,
// which the caller holds for the whole call. Takes the next picture number
// even when the save fails, and records it either way. True when the JPEG
// was written; `output` receives the composed picture, or stays null when
// it was encoded row by row (StreamedComposition). A photo whose data
// turns out damaged or cut short gives no picture and is marked `damaged`.
bool ComposeSinglePhoto(CompositionPhoto &photo, QImage &frameTemplate, QImage &output,
                        const std::filesystem::path &outputPath, const QString &photoName,
                        const TemplateSettings &settings, int paperWidthMm, int paperHeightMm,
                        int jpegQuality);

// Multiplies the colour bytes of every pixel by its alpha / 255 (integer
// division) and marks the image premultiplied; an image marked so already
// is left as it is.
void PremultiplyTemplate(QImage &frameTemplate);
