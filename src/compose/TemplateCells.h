#pragma once

#include <QImage>

#include <filesystem>
#include <vector>

// One transparent window of a frame template, as the row scan records it.
// Every field is -1 until found; coordinates are template pixels.
struct TemplateCell final
{
    int firstLeft = -1;  // start of the first run recorded for the window
    int firstRight = -1; // last transparent pixel of the first run of 22 or more pixels
    int top = -1;        // first row in which a run began
    int bottom = -1;     // last row in which a run was closed by an opaque pixel
    int farRight = -1;   // largest x of an opaque pixel that closed a run
    int bottomCopy = -1;
    int farLeft = -1; // smallest x at which a run began
    int topCopy = -1;

    // The window every consumer uses: right is one past the last transparent
    // pixel, bottom the last row; so Width() is the pixel count of a run and
    // Height() one less than the number of rows.
    int Left() const;
    int Right() const;
    int Top() const { return top; }
    int Bottom() const { return bottom; }
    int Width() const { return Right() - Left(); }
    int Height() const { return Bottom() - Top(); }

    bool operator==(const TemplateCell &) const = default;
};

// The windows of a template in reading order: left to right in a band,
// bands from top to bottom. Each analysis fills a list of its caller's own,
// so analyses on different threads never mix their results.
using TemplateCellList = std::vector<TemplateCell>;

// Scans the template for `expectedCells` windows (alpha exactly 0 is
// transparent; unreadable means opaque). `cells` always ends with
// `expectedCells` records; true when each has a horizontal and a vertical
// position. Windows beyond the expected count merge into the last record.
// The rules a template must follow: a window at least 22 pixels wide,
// windows of a band 22 or more opaque pixels apart with the first 21 or more
// from the left border, bands 21 or more fully opaque rows apart, windows of
// a band on the same rows, and no window touching the right or bottom border.
bool FindTemplateCells(const QImage &frameTemplate, int expectedCells, TemplateCellList &cells);
bool FindTemplateCells(const std::filesystem::path &templatePath, int expectedCells, TemplateCellList &cells);
