#include "compose/SinglePhoto.h"

#include "compose/ImageFiles.h"
#include "compose/ImageRoutines.h"
#include "compose/PictureNumber.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>


namespace {

// Canvas pixels per 1/96 inch: the canvas has 480 dots per inch.
constexpr int CanvasPerScreenPixel = 5;

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

} // namespace

CompositionPhoto CompositionPhoto::Whole(QImage image)
{
    const QSize size = image.size();
    return {std::move(image), size};
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

std::optional<CompositionPhoto> LoadCompositionPhoto(const std::filesystem::path &path, const TemplateSettings &settings)
{
    QImageReader reader(PathText(path));
    const QSize stored = reader.size();
    const QSize drawn = DrawnSize(stored, settings.Proportion);
    const bool reshaped = AutoSizeFactor(stored, settings) || TurnApplies(drawn, settings);
    if (stored.isValid() && !reshaped && reader.format() == "jpeg") {
        const int reduction = JpegDecodeReduction(stored, drawn);
        if (reduction > 1)
            reader.setScaledSize(stored / reduction);
    }
    QImage pixels = reader.read();
    if (pixels.isNull())
        return std::nullopt;
    return CompositionPhoto{std::move(pixels), stored.isValid() ? stored : pixels.size()};
}

void PremultiplyTemplate(QImage &frameTemplate)
{
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
    QImage canvas(canvasSize, QImage::Format_RGB32);
    const int number = NextPictureNumber();

    // Rescaling and turning work on whole pixels at the stored size.
    // LoadCompositionPhoto never reduces a photo that needs either; a caller
    // whose settings changed since loading gets the stored size back here.
    const bool reshaped = AutoSizeFactor(photo.storedSize, settings)
        || TurnApplies(DrawnSize(photo.storedSize, settings.Proportion), settings);
    if (reshaped && photo.pixels.size() != photo.storedSize)
        photo.pixels = StretchImage(photo.pixels, photo.storedSize);
    if (const auto factor = AutoSizeFactor(photo.storedSize, settings)) {
        ImageScale(photo.pixels, QImage(photo.pixels), *factor);
        photo.storedSize = photo.pixels.size();
    }
    QSize drawn = DrawnSize(photo.storedSize, settings.Proportion);
    if (TurnApplies(drawn, settings)) {
        ImageRotation(photo.pixels, QImage(photo.pixels), QuarterTurn);
        photo.storedSize = photo.pixels.size();
        drawn = DrawnSize(photo.storedSize, settings.Proportion);
    }
    const QPoint corner = PhotoCorner(drawn, settings, canvasSize);

    {
        QPainter painter(&canvas);
        const auto drawPhoto = [&] { painter.drawImage(corner, StretchImage(photo.pixels, drawn)); };
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
        if (settings.showNumber)
            DrawLabel(painter, LabelText(photoName, number, settings), settings);
    }
    output = canvas;
    const bool saved = SaveJpeg(outputPath, jpegQuality, canvas);
    RecordPictureNumber(PictureNumberKey(photoName), number);
    return saved;
}
