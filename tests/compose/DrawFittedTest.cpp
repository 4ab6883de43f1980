#include "compose/DrawFitted.h"
#include "compose/ui/PicturePreviewDlg.h"
#include "compose/ui/VelloraPictureBox.h"

#include <gtest/gtest.h>

namespace {

TEST(DrawFittedTest, FitsCentredInsideTheControl)
{
    struct Case
    {
        QSize image;
        QSize control;
        QRect expected;
    } const cases[] = {
        {{4000, 3000}, {600, 400}, {47, 10, 506, 380}},
        {{3000, 4000}, {600, 400}, {157, 10, 285, 380}},
        {{1000, 1000}, {300, 500}, {10, 110, 280, 280}}, // square in a tall control: width less 20
        {{5, 5}, {300, 500}, {}},                        // too small to measure
    };
    for (const Case &c : cases)
        EXPECT_EQ(FittedRect(c.image, c.control), c.expected) << c.image.width() << "x" << c.image.height();
}

TEST(PicturePreviewTest, ShowsThePictureFittedAndKeepsTheFrameInsideTheWindow)
{
    PreviewOpen = false;
    PicturePreviewDlg preview;
    QImage picture(4000, 3000, QImage::Format_RGB32);
    picture.fill(Qt::red);
    preview.ShowPicture(picture, QStringLiteral("Pic_P/1234.jpg"));
    EXPECT_TRUE(PreviewOpen);
    preview.resize(620, 420);
    EXPECT_EQ(preview.Frame()->geometry(), QRect(10, 10, 600, 400));
    EXPECT_TRUE(preview.Drawn());
    EXPECT_EQ(preview.Frame()->FittedArea(), QRect(47, 10, 506, 380));
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Pic_P/1234.jpg"));

    preview.resize(200, 420); // too narrow: the frame stays
    EXPECT_EQ(preview.Frame()->geometry(), QRect(10, 10, 600, 400));

    preview.close();
    EXPECT_FALSE(PreviewOpen);
    EXPECT_TRUE(preview.Frame()->Image().isNull());
}

} // namespace
