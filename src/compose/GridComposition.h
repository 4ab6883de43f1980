#pragma once

#include "compose/TemplateCells.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <filesystem>
#include <optional>
#include <vector>

// Several shots laid into the windows of one multi-cell frame template, each
// cropped to fill its window, the template on top: the combination picture
// of interactive photography.

// Where the combination picture is written; every composition overwrites it.
const std::filesystem::path &GridOutputPath();

// A multi-cell template together with the windows its analysis found in it.
// Only Analyse makes one, so a composition never runs on windows of another
// template or on fewer windows than it has shots.
class GridTemplate final
{
public:
    // Analyses `frameTemplate` for `windows` windows (FindTemplateCells);
    // empty when they are not all found.
    static std::optional<GridTemplate> Analyse(QImage frameTemplate, int windows);

    const QImage &image() const { return m_image; }
    const TemplateCellList &cells() const { return m_cells; }
    int windows() const { return static_cast<int>(m_cells.size()); }
    QImage takeImage() && { return std::move(m_image); }

private:
    GridTemplate(QImage image, TemplateCellList cells) : m_image(std::move(image)), m_cells(std::move(cells)) {}
    QImage m_image;
    TemplateCellList m_cells;
};

// The window a shot fills: from the leftmost start of a run to the rightmost
// end, from the top row to the bottom row.
QRect GridWindow(const TemplateCell &cell);

// How one shot of `shot` size (upright) lands in `window`.
struct GridPlacement final
{
    bool turn = false;  // turned a quarter clockwise first (landscape vs. portrait; a square is portrait)
    QSize turnedSize;   // the shot's size after the turn, as the program's quarter turn makes it
    double factor = 0;  // the cover factor
    QSize drawn;        // the shot's drawn size: at least the window's in both directions
    QPoint corner;      // its top-left corner: centred on the window, overflowing evenly
};

// The cover factor starts at the larger integer quotient of the window's and
// the shot's sides and grows by 0.01 until the drawn shot covers the window.
GridPlacement PlaceShot(QSize shot, QRect window);

// Lays shot i into window i of `grid` on a white canvas of the template's
// size, puts the template over them (premultiplied, source over) and saves
// the picture with `quality` to `output`. A shot that cannot be read leaves
// its window white. Refused (false, nothing written) when there are more
// shots than analysed windows or no shot at all; false too when the picture
// could not be written, which leaves the previous file in place.
bool ComposeGrid(GridTemplate grid, const std::vector<std::filesystem::path> &shots, int quality,
                 const std::filesystem::path &output = GridOutputPath());
