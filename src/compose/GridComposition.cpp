#include "compose/GridComposition.h"

#include "compose/CanvasLimit.h"
#include "compose/ImageFiles.h"
#include "compose/SinglePhoto.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <future>

namespace fs = std::filesystem;

const fs::path &GridOutputPath()
{
    static const fs::path path = fs::path("CombinationTempPicture") / "tempJPG.jpg";
    return path;
}

std::optional<GridTemplate> GridTemplate::Analyse(QImage frameTemplate, int windows)
{
    TemplateCellList cells;
    if (windows < 1 || frameTemplate.isNull() || !FindTemplateCells(frameTemplate, windows, cells))
        return std::nullopt;
    return GridTemplate(std::move(frameTemplate), std::move(cells));
}

QRect GridWindow(const TemplateCell &cell)
{
    const int left = std::min(cell.farLeft, cell.firstLeft);
    const int width = std::max(cell.farRight, cell.firstRight) - left;
    return QRect(left, cell.top, width, cell.bottom - cell.top);
}

namespace {

bool Landscape(QSize size) { return size.width() > size.height(); }

} // namespace

GridPlacement PlaceShot(QSize shot, QRect window)
{
    GridPlacement placement;
    const int w = window.width(), h = window.height();
    placement.turn = Landscape(shot) != Landscape(window.size());
    // The program's quarter turn leaves a two-pixel white margin.
    placement.turnedSize = placement.turn ? shot.transposed() + QSize(2, 2) : shot;
    const int W = std::max(placement.turnedSize.width(), 1), H = std::max(placement.turnedSize.height(), 1);
    double x = std::max(h / H, w / W);
    int c = 0, b = 0;
    for (;;) {
        c = static_cast<int>(W * x);
        b = static_cast<int>(H * x);
        if (c >= w && b >= h)
            break;
        x += 0.01;
    }
    placement.factor = x;
    placement.drawn = QSize(c, b);
    placement.corner = QPoint(window.left() - (c - w) / 2, window.top() - (b - h) / 2);
    return placement;
}

namespace {

// One shot read, turned and stretched to its drawn size; null when it cannot
// be read. The decoder reduces a large shot while reading it (never below
// the drawn size), and the turn is made on the reduced picture.
struct Prepared
{
    QImage image;
    QPoint corner;
};

Prepared PreparedShot(const fs::path &path, QRect window)
{
    const QSize stored = PhotoSize(path);
    if (!stored.isValid() || stored.isEmpty())
        return {};
    const GridPlacement placement = PlaceShot(stored, window);
    const QSize uprightDrawn = placement.turn ? placement.drawn.transposed() : placement.drawn;
    QImage shot = LoadPhoto(path, uprightDrawn);
    if (shot.isNull())
        return {};
    if (placement.turn)
        shot = shot.transformed(QTransform().rotate(90));
    return {StretchImage(shot, placement.drawn), placement.corner};
}

} // namespace

bool ComposeGrid(GridTemplate grid, const std::vector<fs::path> &shots, int quality, const fs::path &output)
{
    if (shots.empty() || static_cast<int>(shots.size()) > grid.windows())
        return false;
    // A giant template would cost gigabytes before anything is drawn.
    if (!CanvasWithinLimit(grid.image().size()))
        return false;
    std::vector<std::future<Prepared>> prepared;
    for (size_t i = 0; i < shots.size(); ++i) {
        prepared.push_back(std::async(std::launch::async, PreparedShot, shots[i], GridWindow(grid.cells()[i])));
    }
    // The template is premultiplied while the shots are read.
    QImage frameTemplate = std::move(grid).takeImage();
    const bool blend = frameTemplate.hasAlphaChannel();
    if (blend)
        PremultiplyTemplate(frameTemplate);

    QImage canvas(frameTemplate.size(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (size_t i = 0; i < prepared.size(); ++i) {
            const Prepared shot = prepared[i].get();
            if (!shot.image.isNull())
                painter.drawImage(shot.corner, shot.image);
        }
        painter.setCompositionMode(blend ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), frameTemplate);
    }
    frameTemplate = QImage();
    return SaveJpeg(output, quality, canvas);
}
