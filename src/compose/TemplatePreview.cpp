#include "compose/TemplatePreview.h"

#include "compose/ImageFiles.h"
#include "compose/SinglePhoto.h"
#include "compose/TemplateCells.h"

#include <QPainter>

#include <cmath>

namespace {

// Canvas pixels per screen pixel.
constexpr int CanvasPerScreen = 5;

// Canvas lengths in screen pixels, truncated as the composition truncates
// (QPoint's and QSize's own division rounds).
QPoint OnScreen(QPoint canvas)
{
    return {canvas.x() / CanvasPerScreen, canvas.y() / CanvasPerScreen};
}

QSize OnScreen(QSize canvas)
{
    return {canvas.width() / CanvasPerScreen, canvas.height() / CanvasPerScreen};
}

// The blend of a template drawn over the sample.
constexpr double TemplateOpacity = 150.0 / 255.0;

// A premultiplied template drawn without its alpha: windows come out black.
void DropAlpha(QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *pixel = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            pixel[x] |= 0xFF000000u;
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
}

// The part of `sample` that lands on the paper, already at its screen size.
QImage VisibleSample(const QImage &sample, QRect photo, QRect paper, QRect &visible)
{
    visible = photo.intersected(paper);
    if (visible.isEmpty() || sample.isNull())
        return {};
    const double fx = static_cast<double>(sample.width()) / photo.width();
    const double fy = static_cast<double>(sample.height()) / photo.height();
    const QPoint from = visible.topLeft() - photo.topLeft();
    const int left = static_cast<int>(std::floor(from.x() * fx));
    const int top = static_cast<int>(std::floor(from.y() * fy));
    const int right = static_cast<int>(std::ceil((from.x() + visible.width()) * fx));
    const int bottom = static_cast<int>(std::ceil((from.y() + visible.height()) * fy));
    const QRect source = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(sample.rect());
    if (source.isEmpty())
        return {};
    return StretchImage(sample.copy(source), visible.size());
}

} // namespace

QSize PreviewPaperSize(int paperWidthMm, int paperHeightMm)
{
    const auto screenLength = [](int mm) { return static_cast<int>(mm * 96 / 25.4); };
    return {screenLength(paperWidthMm), screenLength(paperHeightMm)};
}

QRect PreviewPhotoRect(QSize sample, const TemplateSettings &settings, int paperWidthMm, int paperHeightMm)
{
    const QSize drawn = DrawnSize(sample, settings.Proportion);
    const QPoint corner = PhotoCorner(drawn, settings, CanvasSize(paperWidthMm, paperHeightMm));
    return {OnScreen(corner), OnScreen(drawn)};
}

SampleLabelPlace PlaceSampleLabel(double labelLeft, double labelTop, QSize paper)
{
    const bool unset = labelLeft == -1.0 && labelTop == -1.0;
    if (!unset && (labelLeft >= paper.width() || labelTop >= paper.height())) {
        const QPoint corner(45, paper.height() - 30);
        return {corner, static_cast<double>(corner.x()), static_cast<double>(corner.y())};
    }
    TemplateSettings settings;
    settings.TextLeftMargin = labelLeft;
    settings.TextTopMargin = labelTop;
    return {OnScreen(LabelCorner(settings)), labelLeft, labelTop};
}

PreviewTemplate PreparePreviewTemplate(const std::filesystem::path &templatePath, QSize paper)
{
    PreviewTemplate prepared;
    QImage image = LoadFrameTemplate(templatePath);
    if (image.isNull() || paper.isEmpty())
        return prepared;
    prepared.size = image.size();
    TemplateCellList cells;
    FindTemplateCells(image, 1, cells);
    prepared.window = {cells.front().Right(), cells.front().Bottom()};
    prepared.overPhoto = image.hasAlphaChannel();
    if (prepared.overPhoto)
        PremultiplyTemplate(image);
    prepared.atPaper = StretchImage(image, paper);
    if (prepared.overPhoto) {
        prepared.atPaper.detach();
        DropAlpha(prepared.atPaper);
    }
    return prepared;
}

std::optional<PreviewSample> LoadPreviewSample(const std::filesystem::path &path, QSize limit)
{
    const QSize stored = PhotoSize(path);
    const bool large = stored.isValid() && (stored.width() > limit.width() || stored.height() > limit.height());
    const QSize fitted = large ? stored.scaled(limit, Qt::KeepAspectRatio) : stored;
    QImage pixels = LoadPhoto(path, fitted);
    if (pixels.isNull())
        return std::nullopt;
    if (large)
        pixels = StretchImage(pixels, fitted);
    const QSize size = stored.isValid() ? stored : pixels.size();
    return PreviewSample{std::move(pixels), size};
}

QImage ComposePreview(const PreviewTemplate &frameTemplate, const QImage &sample, QRect photo)
{
    const QRect paper = frameTemplate.atPaper.rect();
    QImage preview(paper.size(), QImage::Format_RGB32);
    preview.fill(Qt::white);
    QRect visible;
    const QImage piece = VisibleSample(sample, photo, paper, visible);
    QPainter painter(&preview);
    if (frameTemplate.overPhoto) {
        painter.drawImage(visible.topLeft(), piece);
        painter.setOpacity(TemplateOpacity);
        painter.drawImage(QPoint(0, 0), frameTemplate.atPaper);
    } else {
        painter.drawImage(QPoint(0, 0), frameTemplate.atPaper);
        painter.drawImage(visible.topLeft(), piece);
    }
    return preview;
}
