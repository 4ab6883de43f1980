#include "compose/TemplateCells.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Window
{
    int x, y, w, h;
};

// An opaque white template with fully transparent windows, saved as a file
// the way designers deliver them.
std::filesystem::path MakeTemplate(const QTemporaryDir &dir, const QString &name, QSize size,
                                   const std::vector<Window> &windows, const char *format = "png")
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(qRgba(255, 255, 255, 255));
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Window &w : windows)
        painter.fillRect(w.x, w.y, w.w, w.h, Qt::transparent);
    painter.end();
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, format));
    return path.toStdString();
}

struct Case
{
    const char *name;
    QSize size;
    std::vector<Window> windows;
    int expectedCells;
    bool found;
    std::vector<Window> records; // the rectangles the windows must give, in order
};

TEST(FindTemplateCellsTest, SingleWindowGivesTheExactRecord)
{
    QTemporaryDir dir;
    TemplateCellList cells;
    ASSERT_TRUE(FindTemplateCells(MakeTemplate(dir, "one.png", {200, 150}, {{30, 40, 100, 60}}), 1, cells));
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0], (TemplateCell{30, 129, 40, 99, 130, 99, 30, 40}));
    EXPECT_EQ(cells[0].Left(), 30);
    EXPECT_EQ(cells[0].Top(), 40);
    EXPECT_EQ(cells[0].Width(), 100);
    EXPECT_EQ(cells[0].Height(), 59);
}

TEST(FindTemplateCellsTest, LayoutsAndTheirThresholds)
{
    const Case cases[] = {
        {"gap of 21 merges", {260, 100}, {{30, 20, 50, 40}, {101, 20, 50, 40}}, 2, false, {{30, 20, 121, 39}}},
        {"gap of 22 separates", {260, 100}, {{30, 20, 50, 40}, {102, 20, 50, 40}}, 2, true,
         {{30, 20, 50, 39}, {102, 20, 50, 39}}},
        {"20 rows merge", {120, 200}, {{30, 20, 50, 40}, {30, 80, 50, 40}}, 2, false, {{30, 20, 50, 99}}},
        {"21 rows separate", {120, 200}, {{30, 20, 50, 40}, {30, 81, 50, 40}}, 2, true,
         {{30, 20, 50, 39}, {30, 81, 50, 39}}},
        {"grid from x 5 merges", {200, 200}, {{5, 20, 50, 40}, {90, 20, 50, 40}, {5, 100, 50, 40}, {90, 100, 50, 40}}, 4,
         false, {}},
        {"grid from x 21", {220, 200}, {{21, 20, 50, 40}, {106, 20, 50, 40}, {21, 100, 50, 40}, {106, 100, 50, 40}}, 4,
         true, {{21, 20, 50, 39}, {106, 20, 50, 39}, {21, 100, 50, 39}, {106, 100, 50, 39}}},
        {"wide over two", {220, 200}, {{30, 20, 150, 40}, {30, 100, 50, 40}, {130, 100, 50, 40}}, 3, true,
         {{30, 20, 150, 39}, {30, 100, 50, 39}, {130, 100, 50, 39}}},
        {"two over wide", {220, 200}, {{30, 20, 50, 40}, {130, 20, 50, 40}, {30, 100, 150, 40}}, 3, true,
         {{30, 20, 50, 39}, {130, 20, 50, 39}, {30, 100, 150, 39}}},
        {"more windows than expected", {260, 100}, {{30, 20, 50, 40}, {102, 20, 50, 40}}, 1, true,
         {{30, 20, 122, 39}}},
        {"fewer windows than expected", {200, 150}, {{30, 40, 100, 60}}, 3, false, {{30, 40, 100, 59}}},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TemplateCellList cells;
        const auto path = MakeTemplate(dir, QString::fromLatin1(c.name) + ".png", c.size, c.windows);
        EXPECT_EQ(FindTemplateCells(path, c.expectedCells, cells), c.found);
        ASSERT_EQ(cells.size(), static_cast<size_t>(c.expectedCells));
        for (size_t i = 0; i < c.records.size(); ++i) {
            const Window &r = c.records[i];
            EXPECT_EQ((std::vector{cells[i].Left(), cells[i].Top(), cells[i].Width(), cells[i].Height()}),
                      (std::vector{r.x, r.y, r.w, r.h}))
                << "record " << i;
        }
        for (size_t i = c.records.size(); i < cells.size() && !c.records.empty(); ++i)
            EXPECT_EQ(cells[i], TemplateCell{}) << "record " << i << " stays unset";
    }
}

TEST(FindTemplateCellsTest, NarrowWindowHasNoRightEdge)
{
    QTemporaryDir dir;
    TemplateCellList cells;
    EXPECT_TRUE(FindTemplateCells(MakeTemplate(dir, "narrow.png", {100, 100}, {{30, 20, 21, 30}}), 1, cells));
    EXPECT_EQ(cells[0].firstRight, -1);
    EXPECT_EQ(cells[0].Right(), -1);
    TemplateCellList wider;
    FindTemplateCells(MakeTemplate(dir, "wider.png", {100, 100}, {{30, 20, 22, 30}}), 1, wider);
    EXPECT_EQ(wider[0].Width(), 22);
}

TEST(FindTemplateCellsTest, TemplatesWithoutWindowsFail)
{
    QTemporaryDir dir;
    const auto jpeg = MakeTemplate(dir, "frame.jpg", {200, 150}, {{30, 40, 100, 60}}, "jpeg");
    for (int n = 1; n <= 4; ++n) {
        TemplateCellList cells;
        EXPECT_FALSE(FindTemplateCells(jpeg, n, cells)) << n;
        EXPECT_EQ(cells, TemplateCellList(static_cast<size_t>(n)));
    }
    TemplateCellList cells;
    EXPECT_FALSE(FindTemplateCells(std::filesystem::path(dir.filePath("missing.png").toStdString()), 2, cells));
    EXPECT_EQ(cells.size(), 2u);
}

} // namespace
