#include "compose/GridComposition.h"

#include "compose/ImageFiles.h"
#include "tests/compose/TestImages.h"
#include "tests/support/ProgramFolder.h"

#include <QPainter>

#include <fstream>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// A white frame with fully transparent windows. GridWindow takes a window's
// height as its rows less one, so `rows` is one more than the height.
QImage Frame(QSize size, const std::vector<QRect> &windows)
{
    QImage frame = Solid(size, Qt::white, QImage::Format_ARGB32);
    for (const QRect &window : windows)
        for (int y = window.top(); y <= window.bottom(); ++y)
            for (int x = window.left(); x <= window.right(); ++x)
                frame.setPixel(x, y, qRgba(0, 0, 0, 0));
    return frame;
}

QRect Window(int left, int top, int width, int height) { return QRect(left, top, width, height + 1); }

// A shot whose left half is red and right half blue, with a green band
// `band` rows high across its top.
void SaveShot(const QString &path, QSize size, int band = 0)
{
    QImage shot(size, QImage::Format_RGB32);
    QPainter painter(&shot);
    painter.fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), Qt::blue);
    if (band > 0)
        painter.fillRect(0, 0, size.width(), band, Qt::green);
    painter.end();
    ASSERT_TRUE(shot.save(path, "jpeg", 95));
}

struct PlaceCase
{
    QSize window;
    QSize shot;
    bool turn;
    QSize drawn;
    QPoint overflow; // how far the corner lies left of and above the window
};

TEST(GridPlacementTest, CoverFactorTurnAndCentring)
{
    const PlaceCase cases[] = {
        {{1000, 700}, {4000, 3000}, false, {1000, 750}, {0, 25}}, // factor 0.25 from 0 in steps
        {{2000, 1500}, {640, 480}, false, {2003, 1502}, {1, 1}},  // factor 3.13 from 3
        {{700, 1000}, {4000, 3000}, true, {750, 1000}, {25, 0}},  // portrait window, landscape shot: turned (3002 x 4002)
        {{800, 800}, {1000, 1000}, false, {800, 800}, {0, 0}},    // square into square: no turn
        {{1000, 700}, {1000, 1000}, true, {1002, 1002}, {1, 151}}, // landscape window, square shot: turned (1002 x 1002)
    };
    for (const PlaceCase &c : cases) {
        const QRect window(QPoint(100, 200), c.window);
        const GridPlacement placement = PlaceShot(c.shot, window);
        SCOPED_TRACE(testing::Message() << c.window.width() << "x" << c.window.height() << " <- " << c.shot.width()
                                        << "x" << c.shot.height());
        EXPECT_EQ(placement.turn, c.turn);
        EXPECT_EQ(placement.drawn, c.drawn);
        EXPECT_EQ(placement.corner, window.topLeft() - c.overflow);
        EXPECT_GE(placement.drawn.width(), c.window.width());
        EXPECT_GE(placement.drawn.height(), c.window.height());
    }
    EXPECT_NEAR(PlaceShot({4000, 3000}, QRect(0, 0, 1000, 700)).factor, 0.25, 1e-9);
    EXPECT_NEAR(PlaceShot({640, 480}, QRect(0, 0, 2000, 1500)).factor, 3.13, 1e-9);
}

TEST(GridPlacementTest, WindowSpansEveryRunOfTheCell)
{
    TemplateCell cell;
    cell.firstLeft = 40;
    cell.farLeft = 38;
    cell.firstRight = 539;
    cell.farRight = 540;
    cell.top = 30;
    cell.bottom = 330;
    EXPECT_EQ(GridWindow(cell), QRect(38, 30, 502, 300));
}

class GridCompositionTest : public testing::Test
{
protected:
    ProgramFolder folder;

    QImage Compose(const QImage &frame, int windows, const std::vector<fs::path> &shots)
    {
        std::optional<GridTemplate> grid = GridTemplate::Analyse(frame, windows);
        EXPECT_TRUE(grid);
        if (!grid)
            return {};
        EXPECT_TRUE(ComposeGrid(std::move(*grid), shots, 95));
        return QImage(PathText(GridOutputPath()));
    }

    void SetUp() override { fs::create_directory("CombinationTempPicture"); }
};

struct ProbeCase
{
    const char *what;
    QSize frame;
    QRect window;
    QSize shot;
    int band;
    std::vector<std::pair<QPoint, QColor>> probes; // relative to the window's top-left
};

TEST_F(GridCompositionTest, OneShotFillsItsWindowUnderTheTemplate)
{
    const ProbeCase cases[] = {
        {"large shot drawn 25 rows above the window", {1100, 800}, Window(40, 40, 1000, 700), {4000, 3000}, 200,
         {{{250, 15}, Qt::green}, {{250, 35}, Qt::red}, {{250, 400}, Qt::red}, {{750, 400}, Qt::blue}, {{990, 690}, Qt::blue}}},
        {"small shot enlarged", {2100, 1600}, Window(40, 40, 2000, 1500), {640, 480}, 0,
         {{{5, 5}, Qt::red}, {{990, 750}, Qt::red}, {{1010, 750}, Qt::blue}, {{1995, 1495}, Qt::blue}}},
        {"portrait window, landscape shot turned clockwise", {500, 700}, Window(40, 40, 350, 500), {800, 600}, 0,
         {{{175, 100}, Qt::red}, {{175, 400}, Qt::blue}}},
        {"square window, square shot kept", {500, 500}, Window(40, 40, 400, 400), {600, 600}, 0,
         {{{100, 200}, Qt::red}, {{300, 200}, Qt::blue}}},
        {"landscape window, square shot turned", {600, 400}, Window(40, 40, 500, 300), {600, 600}, 0,
         {{{250, 40}, Qt::red}, {{250, 260}, Qt::blue}}},
    };
    for (const ProbeCase &c : cases) {
        SCOPED_TRACE(c.what);
        SaveShot("shot.jpg", c.shot, c.band);
        const QImage frame = Frame(c.frame, {c.window});
        const QImage out = Compose(frame, 1, {"shot.jpg"});
        ASSERT_EQ(out.size(), c.frame);
        EXPECT_TRUE(Near(out, {5, 5}, Qt::white)); // the template's border
        for (const auto &[at, color] : c.probes)
            EXPECT_TRUE(Near(out, c.window.topLeft() + at, color));
    }
}

// Four windows in two bands; the vertical double layout hands each of two
// shots to two windows.
TEST_F(GridCompositionTest, VerticalDoubleFillsFourWindowsWithTwoShots)
{
    const std::vector<QRect> windows = {Window(40, 40, 400, 300), Window(480, 40, 400, 300), Window(40, 400, 400, 300),
                                        Window(480, 400, 400, 300)};
    QImage first(800, 600, QImage::Format_RGB32), second(800, 600, QImage::Format_RGB32);
    first.fill(Qt::red);
    second.fill(Qt::blue);
    ASSERT_TRUE(first.save("s1.jpg", "jpeg", 95));
    ASSERT_TRUE(second.save("s2.jpg", "jpeg", 95));
    const QImage out = Compose(Frame({930, 760}, windows), 4, {"s1.jpg", "s1.jpg", "s2.jpg", "s2.jpg"});
    const QColor expected[] = {Qt::red, Qt::red, Qt::blue, Qt::blue};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Near(out, windows[i].center(), expected[i])) << "window " << i;
    EXPECT_TRUE(Near(out, {460, 370}, Qt::white)); // between the windows
}

TEST_F(GridCompositionTest, UnreadableShotLeavesItsWindowWhite)
{
    const std::vector<QRect> windows = {Window(40, 40, 300, 200), Window(380, 40, 300, 200)};
    SaveSolidJpeg("red.jpg", {600, 400}, Qt::red);
    std::ofstream("broken.jpg") << "not a picture";
    const QImage out = Compose(Frame({730, 300}, windows), 2, {"red.jpg", "broken.jpg"});
    EXPECT_TRUE(Near(out, windows[0].center(), Qt::red));
    EXPECT_TRUE(Near(out, windows[1].center(), Qt::white));
}

TEST_F(GridCompositionTest, RefusesMoreShotsThanAnalysedWindowsOrAForeignAnalysis)
{
    SaveSolidJpeg("red.jpg", {600, 400}, Qt::red);
    const QImage frame = Frame({730, 300}, {Window(40, 40, 300, 200), Window(380, 40, 300, 200)});
    std::optional<GridTemplate> grid = GridTemplate::Analyse(frame, 1);
    ASSERT_TRUE(grid);
    EXPECT_FALSE(ComposeGrid(std::move(*grid), {"red.jpg", "red.jpg"}, 95));
    EXPECT_FALSE(fs::exists(GridOutputPath()));
    EXPECT_FALSE(GridTemplate::Analyse(Solid({730, 300}, Qt::white), 2)); // no alpha: no windows
    EXPECT_FALSE(GridTemplate::Analyse(frame, 0));
}

} // namespace
