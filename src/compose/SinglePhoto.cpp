#include "compose/SinglePhoto.h"

#include "compose/CanvasLimit.h"
#include "compose/FrameTemplateCache.h"
#include "compose/ImageFiles.h"
#include "compose/ImageRoutines.h"
#include "compose/JpegDecoder.h"
#include "compose/PictureNumber.h"
#include "compose/TemplateRows.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>


namespace {

bool Disagrees(QSize drawn, const TemplateSettings &settings)
{
    const int sampleW = settings.SampleImageWidth;
    const int sampleH = settings.SampleImageHeight;
    return (sampleW < sampleH && drawn.width() >= drawn.height()) || (sampleW > sampleH && drawn.width() <= drawn.height());
}

void DrawLabel(QPainter &painter, const QString &text, const TemplateSettings &settings)
{
    const int cellHeight = static_cast<int>(settings.TextSize * 3.8);
    const QFont font = LabelFont(cellHeight);
    const QFontMetricsF metrics(font);
    const QPoint corner = LabelCorner(settings);
    if (!settings.TextBgTransparent)
        painter.fillRect(QRectF(corner, QSizeF(metrics.horizontalAdvance(text), cellHeight)), QColor(ColorFromStored(settings.TextBgColor)));
    painter.setFont(font);
    painter.setPen(QColor(ColorFromStored(settings.TextColor)));
    painter.drawText(QPointF(corner.x(), corner.y() + metrics.ascent()), text);
}

// Draws `photo` as if the whole of it were stretched to `drawn` at `corner`,
// but stretches only the pixels that land on the canvas.
void DrawPhotoClipped(QPainter &painter, const CompositionPhoto &photo, QPoint corner, QSize drawn, QSize canvas)
{
    if (photo.pixels.isNull() || drawn.isEmpty() || photo.storedSize.isEmpty())
        return;
    // Pieces of the picture are cut as views of its rows, which needs whole 32-bit pixels.
    const QImage pixels =
        photo.pixels.depth() == 32 ? photo.pixels : photo.pixels.convertToFormat(QImage::Format_RGB32);
    const double sx = double(drawn.width()) / photo.storedSize.width();
    const double sy = double(drawn.height()) / photo.storedSize.height();
    const QRectF target(corner.x() + photo.region.x() * sx, corner.y() + photo.region.y() * sy,
                        photo.region.width() * sx, photo.region.height() * sy);
    const double px = target.width() / pixels.width(); // canvas pixels per photo pixel
    const double py = target.height() / pixels.height();
    if (px == 1.0 && py == 1.0 && target.left() == std::floor(target.left()) && target.top() == std::floor(target.top())) {
        painter.drawImage(target.topLeft().toPoint(), pixels); // the painter clips
        return;
    }
    const QRectF visible = target.intersected(QRectF(QPointF(0, 0), QSizeF(canvas)));
    if (visible.isEmpty())
        return;
    const int left = std::max(0, int(std::floor((visible.left() - target.left()) / px)));
    const int top = std::max(0, int(std::floor((visible.top() - target.top()) / py)));
    const int right = std::min(pixels.width(), int(std::ceil((visible.right() - target.left()) / px)));
    const int bottom = std::min(pixels.height(), int(std::ceil((visible.bottom() - target.top()) / py)));
    if (right <= left || bottom <= top)
        return;
    const QPoint from(int(std::lround(target.left() + left * px)), int(std::lround(target.top() + top * py)));
    const QPoint to(int(std::lround(target.left() + right * px)), int(std::lround(target.top() + bottom * py)));
    const QImage piece(pixels.constScanLine(top) + std::size_t(left) * 4, right - left, bottom - top,
                       pixels.bytesPerLine(), pixels.format());
    painter.drawImage(from, StretchImage(piece, QSize(to.x() - from.x(), to.y() - from.y())));
}

// Decodes a photo left to the composition, upright, the way
// LoadCompositionPhoto would have; false when it cannot be read or its data
// is damaged or cut short (then marked so). Its opened file serves unless
// its rows were already being decoded for the row-by-row road.
bool DecodeDeferred(CompositionPhoto &photo)
{
    StreamedPhoto part = std::move(*photo.deferred);
    photo.deferred.reset();
    std::shared_ptr<JpegRowReader> reader = part.jpeg;
    if (part.started || reader->Started()) {
        part.started.reset(); // its thread stops before the file is read again
        reader = std::make_shared<JpegRowReader>(part.path, JpegDamage::Refuse);
    }
    std::optional<JpegPicture> picture = DecodeJpeg(*reader, part.reduction, part.rect);
    if (!picture || !picture->complete) {
        photo.damaged = reader->Damaged();
        return false;
    }
    photo.pixels = std::move(picture->pixels);
    photo.region = QRect(picture->region.topLeft() * part.reduction, picture->region.size() * part.reduction);
    return true;
}

// Where the label may paint: its cell, with room for the italic's overhang.
QRect LabelArea(const QString &text, const TemplateSettings &settings)
{
    const int cellHeight = static_cast<int>(settings.TextSize * 3.8);
    const int advance = static_cast<int>(QFontMetricsF(LabelFont(cellHeight)).horizontalAdvance(text));
    return QRect(LabelCorner(settings) - QPoint(cellHeight, cellHeight), QSize(advance + 2 * cellHeight, 3 * cellHeight));
}

// The photo's pixels at its whole stored size, for the routines that
// rescale and turn it pixel by pixel.
QImage AtStoredSize(const CompositionPhoto &photo)
{
    if (photo.region == QRect(QPoint(0, 0), photo.storedSize))
        return StretchImage(photo.pixels, photo.storedSize);
    QImage whole(photo.storedSize, QImage::Format_RGB32);
    whole.fill(Qt::white);
    QPainter painter(&whole);
    DrawPhotoClipped(painter, photo, QPoint(0, 0), photo.storedSize, photo.storedSize);
    return whole;
}

// OpenCompositionPhoto into `photo`; false when it cannot be read, with
// `photo.damaged` set when its data is damaged or cut short.
bool OpenPhoto(const std::filesystem::path &path, const TemplateSettings &settings, QSize canvas, CompositionPhoto &photo)
{
    // One opening of the file gives its header, its orientation and, later,
    // its pixels and whether its data was whole.
    auto reader = std::make_shared<JpegRowReader>(path, JpegDamage::Refuse);
    if (!reader->IsOpen()) {
        if (reader->Damaged()) {
            photo.damaged = true;
            return false;
        }
        QImage pixels = LoadPhoto(path);
        if (pixels.isNull())
            return false;
        photo = CompositionPhoto::Whole(std::move(pixels));
        return true;
    }
    const JpegHeader header = reader->Header();
    const QSize stored = header.Upright();
    const QSize drawn = DrawnSize(stored, settings.Proportion);
    const bool reshaped = AutoSizeFactor(stored, settings) || TurnApplies(drawn, settings);
    StreamedPhoto part{reader, path, 1, QRect(), QPoint(), nullptr, nullptr};
    if (!reshaped) {
        part.corner = PhotoCorner(drawn, settings, canvas);
        const QRect visible = VisiblePart(stored, drawn, part.corner, canvas);
        // Nothing of it shows: a token of it is decoded, which still reads all the data.
        part.reduction = visible.isEmpty() ? 8 : JpegDecodeReduction(stored, drawn);
        const int r = part.reduction;
        part.rect = visible.isEmpty() ? QRect(0, 0, 1, 1)
                                      : QRect(QPoint(visible.left() / r, visible.top() / r),
                                              QPoint(visible.right() / r, visible.bottom() / r));
        const bool exact = drawn * r == stored;
        // Left to the composition, which learns whether the data was whole as it decodes it.
        if (exact && !visible.isEmpty() && header.orientation == 1) {
            photo = CompositionPhoto{QImage(), stored, QRect(part.rect.topLeft() * r, part.rect.size() * r), part, false};
            return true;
        }
    }
    photo = CompositionPhoto{QImage(), stored, QRect(), part, false};
    return DecodeDeferred(photo);
}

} // namespace

CompositionPhoto CompositionPhoto::Whole(QImage image)
{
    const QSize size = image.size();
    return {std::move(image), size, QRect(QPoint(0, 0), size), std::nullopt, false};
}

QSize CanvasSize(int paperWidthMm, int paperHeightMm)
{
    const auto canvasLength = [](int mm) { return static_cast<int>(mm * 96 / 25.4 * CanvasPerScreenPixel); };
    return {canvasLength(paperWidthMm), canvasLength(paperHeightMm)};
}

std::optional<double> AutoSizeFactor(QSize photo, const TemplateSettings &settings)
{
    const QSize sample(settings.SampleImageWidth, settings.SampleImageHeight);
    if (sample.width() <= 0 || sample.height() <= 0 || !settings.AutoSizeForSampleImage || photo == sample)
        return std::nullopt;
    return static_cast<double>(std::min(sample.width(), sample.height())) / std::min(photo.width(), photo.height());
}

QSize DrawnSize(QSize photo, float proportion)
{
    return {static_cast<int>(static_cast<float>(photo.width()) * proportion),
            static_cast<int>(static_cast<float>(photo.height()) * proportion)};
}

bool TurnApplies(QSize drawn, const TemplateSettings &settings)
{
    return settings.AutoRotationForSampleImage && Disagrees(drawn, settings);
}

QPoint PhotoCorner(QSize drawn, const TemplateSettings &settings, QSize canvas)
{
    if (settings.LeftRec != 0 && settings.TopRec != 0)
        return {settings.LeftRec * CanvasPerScreenPixel, settings.TopRec * CanvasPerScreenPixel};
    const int d = static_cast<int>(static_cast<float>(canvas.height() - drawn.height()) * settings.Proportion * 0.25f);
    return {d, d};
}

QFont LabelFont(int cellHeight)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setItalic(true);
    font.setWeight(QFont::Normal);
    constexpr int Probe = 1000;
    font.setPixelSize(Probe);
    const QFontMetricsF probe(font);
    const qreal cellPerEm = (probe.ascent() + probe.descent()) / Probe;
    font.setPixelSize(std::max(1, qRound(cellHeight / cellPerEm)));
    return font;
}

QString LabelText(const QString &photoName, int number, const TemplateSettings &settings)
{
    return QStringLiteral(" ") + (settings.PrintPictureIdentification == 1 ? QString::number(number) : PictureNumberKey(photoName));
}

QPoint LabelCorner(const TemplateSettings &settings)
{
    if (settings.TextLeftMargin == -1.0 && settings.TextTopMargin == -1.0)
        return {50, 50};
    return {static_cast<int>(settings.TextLeftMargin * CanvasPerScreenPixel),
            static_cast<int>(settings.TextTopMargin * CanvasPerScreenPixel)};
}

QRect VisiblePart(QSize stored, QSize drawn, QPoint corner, QSize canvas)
{
    const QRect visible = QRect(corner, drawn).intersected(QRect(QPoint(0, 0), canvas));
    if (visible.isEmpty() || drawn.isEmpty())
        return {};
    const double sx = double(stored.width()) / drawn.width();
    const double sy = double(stored.height()) / drawn.height();
    const QPoint from(int(std::floor((visible.left() - corner.x()) * sx)) - 1,
                      int(std::floor((visible.top() - corner.y()) * sy)) - 1);
    const QPoint to(int(std::ceil((visible.right() + 1 - corner.x()) * sx)) + 1,
                    int(std::ceil((visible.bottom() + 1 - corner.y()) * sy)) + 1);
    return QRect(from, to - QPoint(1, 1)).intersected(QRect(QPoint(0, 0), stored));
}

std::optional<CompositionPhoto> OpenCompositionPhoto(const std::filesystem::path &path, const TemplateSettings &settings,
                                                     QSize canvas)
{
    CompositionPhoto photo;
    if (!OpenPhoto(path, settings, canvas, photo))
        return std::nullopt;
    return photo;
}

std::optional<CompositionPhoto> LoadCompositionPhoto(const std::filesystem::path &path, const TemplateSettings &settings,
                                                     QSize canvas)
{
    std::optional<CompositionPhoto> photo = OpenCompositionPhoto(path, settings, canvas);
    if (photo && photo->deferred && !DecodeDeferred(*photo))
        return std::nullopt;
    return photo;
}

CompositionInputs OpenCompositionInputs(const std::filesystem::path &photoPath, const std::filesystem::path &templatePath,
                                        const TemplateSettings &settings, QSize canvas)
{
    // The template is the one kept from the photo before when its file is
    // unchanged; else it is read on a thread of its own while the photo
    // opens: row by row when it can be (the composition then lays rows as
    // they come), else whole.
    CompositionInputs inputs;
    const FrameTemplate frame = TakeFrameTemplate(templatePath);
    CompositionPhoto photo;
    const bool opened = OpenPhoto(photoPath, settings, canvas, photo);
    inputs.photoDamaged = photo.damaged;
    if (opened)
        inputs.photo = std::move(photo);
    inputs.frameTemplate = frame.whole.valid() ? frame.Ready() : frame.image;
    // The photo's rows start decoding at once when the row-by-row road will
    // take them: under a template with alpha at the canvas's size.
    const bool rowByRow = inputs.photo && inputs.photo->deferred && inputs.frameTemplate.hasAlphaChannel()
        && inputs.frameTemplate.size() == canvas;
    if (rowByRow) {
        inputs.photo->deferred->started = StartPhotoRows(*inputs.photo->deferred);
        inputs.photo->deferred->templateRows = frame.rows;
    }
    // Meanwhile the label's font is looked up (the font database's first
    // use reads the system's fonts), so the composition need not wait for it.
    if (settings.showNumber)
        LabelArea(LabelText(QString(), 0, settings), settings);
    if (!rowByRow)
        inputs.frameTemplate = frame.Ready();
    return inputs;
}

void PremultiplyTemplate(QImage &frameTemplate)
{
    if (frameTemplate.format() == QImage::Format_ARGB32_Premultiplied)
        return;
    if (frameTemplate.format() != QImage::Format_ARGB32)
        frameTemplate.convertTo(QImage::Format_ARGB32);
    for (int y = 0; y < frameTemplate.height(); ++y) {
        auto *pixel = reinterpret_cast<QRgb *>(frameTemplate.scanLine(y));
        for (int x = 0; x < frameTemplate.width(); ++x) {
            // Frames are mostly fully opaque or fully clear; only the rest needs arithmetic.
            const uint a = qAlpha(pixel[x]);
            if (a == 255)
                continue;
            pixel[x] = a == 0 ? 0 : qRgba(qRed(pixel[x]) * a / 255, qGreen(pixel[x]) * a / 255, qBlue(pixel[x]) * a / 255, a);
        }
    }
    frameTemplate.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
}

bool ComposeSinglePhoto(CompositionPhoto &photo, QImage &frameTemplate, QImage &output,
                        const std::filesystem::path &outputPath, const QString &photoName,
                        const TemplateSettings &settings, int paperWidthMm, int paperHeightMm, int jpegQuality)
{
    const QSize canvasSize = CanvasSize(paperWidthMm, paperHeightMm);
    // A mistyped paper size must not cost gigabytes: refused before anything is allocated.
    if (!CanvasWithinLimit(canvasSize))
        return false;
    const int number = UpcomingPictureNumber();
    const QString label = LabelText(photoName, number, settings);
    const auto drawLabel = [&](QPainter &painter) {
        if (settings.showNumber)
            DrawLabel(painter, label, settings);
    };
    // The number is used up only by a picture that was saved.
    const auto recorded = [&](bool saved) {
        if (saved) {
            TakePictureNumber(number);
            RecordPictureNumber(PictureNumberKey(photoName), number);
        }
        return saved;
    };

    if (photo.deferred) {
        // The fast road holds when the photo is still placed as it was opened for.
        const QSize drawnNow = DrawnSize(photo.storedSize, settings.Proportion);
        const bool placedAsOpened = !AutoSizeFactor(photo.storedSize, settings) && !TurnApplies(drawnNow, settings)
            && drawnNow * photo.deferred->reduction == photo.storedSize
            && PhotoCorner(drawnNow, settings, canvasSize) == photo.deferred->corner;
        if (placedAsOpened && frameTemplate.hasAlphaChannel() && frameTemplate.size() == canvasSize) {
            if (!photo.deferred->started) // decoding while the template is premultiplied
                photo.deferred->started = StartPhotoRows(*photo.deferred);
            PremultiplyTemplate(frameTemplate); // a kept template, or one still being read, is so already
            const bool saved = ComposeUnderTemplate(*photo.deferred, frameTemplate,
                                                    settings.showNumber ? LabelArea(label, settings) : QRect(),
                                                    drawLabel, outputPath, jpegQuality, photo.damaged);
            output = QImage(); // encoded row by row, never held whole
            return recorded(saved);
        }
        const std::shared_ptr<TemplateRows> templateRows = photo.deferred->templateRows;
        if ((templateRows && !templateRows->WaitAll()) || !DecodeDeferred(photo))
            return recorded(false);
    }
    QImage canvas(canvasSize, QImage::Format_RGB32);

    // Rescaling and turning work on whole pixels at the stored size.
    // LoadCompositionPhoto never reduces a photo that needs either; a caller
    // whose settings changed since loading gets the stored size back here.
    const bool reshaped = AutoSizeFactor(photo.storedSize, settings)
        || TurnApplies(DrawnSize(photo.storedSize, settings.Proportion), settings);
    if (reshaped && (photo.pixels.size() != photo.storedSize || photo.region != QRect(QPoint(0, 0), photo.storedSize)))
        photo = CompositionPhoto::Whole(AtStoredSize(photo));
    if (const auto factor = AutoSizeFactor(photo.storedSize, settings)) {
        ImageScale(photo.pixels, QImage(photo.pixels), *factor);
        photo = CompositionPhoto::Whole(std::move(photo.pixels));
    }
    QSize drawn = DrawnSize(photo.storedSize, settings.Proportion);
    if (TurnApplies(drawn, settings)) {
        ImageRotation(photo.pixels, QImage(photo.pixels), QuarterTurn);
        photo = CompositionPhoto::Whole(std::move(photo.pixels));
        drawn = DrawnSize(photo.storedSize, settings.Proportion);
    }
    const QPoint corner = PhotoCorner(drawn, settings, canvasSize);

    {
        QPainter painter(&canvas);
        const auto drawPhoto = [&] { DrawPhotoClipped(painter, photo, corner, drawn, canvasSize); };
        if (frameTemplate.hasAlphaChannel()) {
            canvas.fill(Qt::white);
            drawPhoto();
            PremultiplyTemplate(frameTemplate);
            painter.drawImage(QPoint(0, 0), StretchImage(frameTemplate, canvasSize));
        } else {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(QPoint(0, 0), StretchImage(frameTemplate, canvasSize));
            drawPhoto();
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        drawLabel(painter);
    }
    output = canvas;
    return recorded(SaveJpeg(outputPath, jpegQuality, canvas));
}
