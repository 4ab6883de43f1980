#include "compose/SinglePhoto.h"

#include "compose/CanvasLimit.h"
#include "compose/ImageFiles.h"
#include "compose/PictureNumber.h"
#include "tests/compose/TestImages.h"
#include "tests/support/ProgramFolder.h"

#include <QColor>

#include <gtest/gtest.h>

namespace {

// 30 x 20 mm keeps the pictures small: a 566 x 377 canvas.
constexpr int PaperW = 30;
constexpr int PaperH = 20;
const std::filesystem::path Output{"out.jpg"};

TemplateSettings Plain()
{
    TemplateSettings settings;
    settings.Proportion = 1.0f;
    settings.showNumber = false;
    return settings;
}

class SinglePhotoTest : public testing::Test
{
protected:
    void SetUp() override { PictureCounter = 0; }
    void TearDown() override { PictureCounter = 0; }

    // Composes and returns the saved JPEG as read back from disk.
    QImage Compose(CompositionPhoto photo, QImage frameTemplate, const TemplateSettings &settings,
                   const QString &name = QStringLiteral("1234.jpg"), int paperW = PaperW, int paperH = PaperH)
    {
        QImage output;
        EXPECT_TRUE(ComposeSinglePhoto(photo, frameTemplate, output, Output, name, settings, paperW, paperH, 95));
        return QImage(PathText(Output));
    }

    QImage ClearTemplate() const { return Solid({60, 40}, Qt::transparent, QImage::Format_ARGB32); }

    ProgramFolder m_folder;
};

TEST_F(SinglePhotoTest, CanvasFollowsThePaperAt480DotsPerInch)
{
    EXPECT_EQ(CanvasSize(152, 102), QSize(2872, 1927));
    const QImage saved = Compose(CompositionPhoto::Whole(Solid({10, 10}, Qt::red)), ClearTemplate(), Plain(),
                                 QStringLiteral("1.jpg"), 152, 102);
    EXPECT_EQ(saved.size(), QSize(2872, 1927));
}

TEST_F(SinglePhotoTest, PhotoCornerFollowsThePositionValues)
{
    struct Case
    {
        int left, top;
        QPoint corner;
    } const cases[] = {
        {10, 0, {79, 79}}, // one of them 0: default place d = (377 - 60) x 1.0 x 0.25
        {0, 10, {79, 79}},
        {-1, -1, {-5, -5}},
        {20, 10, {100, 50}},
    };
    for (const Case &c : cases) {
        TemplateSettings settings = Plain();
        settings.LeftRec = c.left;
        settings.TopRec = c.top;
        const QImage saved = Compose(CompositionPhoto::Whole(Solid({100, 60}, Qt::red)), ClearTemplate(), settings);
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        const QPoint inside = c.corner + QPoint(2, 2);
        EXPECT_TRUE(Near(saved, QPoint(std::max(inside.x(), 0), std::max(inside.y(), 0)), Qt::red));
        EXPECT_TRUE(Near(saved, c.corner + QPoint(97, 57), Qt::red));
        EXPECT_TRUE(Near(saved, c.corner + QPoint(103, 63), Qt::white));
        if (c.corner.x() > 3) {
            EXPECT_TRUE(Near(saved, c.corner - QPoint(3, 3), Qt::white));
        }
    }
}

TEST_F(SinglePhotoTest, LabelCornerFollowsTheMargins)
{
    struct Case
    {
        double left, top;
        QPoint corner;
    } const cases[] = {
        {-1, -1, {50, 50}},
        {-1, 20, {-5, 100}},
        {30, 10, {150, 50}},
    };
    for (const Case &c : cases) {
        TemplateSettings settings = Plain();
        settings.LeftRec = 100; // photo out of the way, at (500, 300)
        settings.TopRec = 60;
        settings.showNumber = true;
        settings.TextBgColor = 0x00FF00;
        settings.TextLeftMargin = c.left;
        settings.TextTopMargin = c.top;
        const QImage saved = Compose(CompositionPhoto::Whole(Solid({10, 10}, Qt::red)), ClearTemplate(), settings);
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        EXPECT_TRUE(Near(saved, c.corner + QPoint(7, 3), Qt::green)); // in the leading space
        EXPECT_TRUE(Near(saved, c.corner + QPoint(7, 34), Qt::green)); // the cell is 38 pixels high
        EXPECT_TRUE(Near(saved, c.corner + QPoint(7, 41), Qt::white));
        EXPECT_TRUE(Near(saved, c.corner + QPoint(7, -4), Qt::white));
    }
}

TEST_F(SinglePhotoTest, LabelAndRecordedNumber)
{
    TemplateSettings byName = Plain();
    EXPECT_EQ(LabelText(QStringLiteral("12.34.JPG"), 7, byName), QStringLiteral(" 12"));
    Compose(CompositionPhoto::Whole(Solid({10, 10}, Qt::red)), ClearTemplate(), byName, QStringLiteral("12.34.JPG"));
    EXPECT_EQ(PictureNumberOf(QStringLiteral("12.jpg")), 1);

    TemplateSettings byNumber = Plain();
    byNumber.showNumber = true;
    byNumber.PrintPictureIdentification = 1;
    EXPECT_EQ(LabelText(QStringLiteral("1234.jpg"), 42, byNumber), QStringLiteral(" 42"));
    PictureCounter = 41;
    Compose(CompositionPhoto::Whole(Solid({10, 10}, Qt::red)), ClearTemplate(), byNumber);
    EXPECT_EQ(PictureCounter, 42);
    EXPECT_EQ(PictureNumberOf(QStringLiteral("1234.jpg")), 42);
}

// A composition that fails for a reason that is not the photo's (nowhere to
// save, a paper no event prints on) gives out no number, and a paper that
// would need gigabytes is refused before anything is allocated.
TEST_F(SinglePhotoTest, FailedCompositionUsesUpNoNumber)
{
    struct Case
    {
        const char *why;
        std::filesystem::path output;
        int paperW, paperH;
    };
    const Case cases[] = {
        {"unwritable folder", "no-such-folder/1234.jpg", PaperW, PaperH},
        {"paper of 0 mm", Output, 0, PaperH},
        {"negative paper", Output, PaperW, -20},
        {"99999 mm paper", Output, 99999, 99999},
        {"one extra zero", Output, 1520, 1020},
        {"just above the limit", Output, MaxPaperMm + 1, PaperH},
    };
    for (const Case &c : cases) {
        PictureCounter = 6;
        CompositionPhoto photo = CompositionPhoto::Whole(Solid({10, 10}, Qt::red));
        QImage frameTemplate = ClearTemplate();
        QImage output;
        EXPECT_FALSE(ComposeSinglePhoto(photo, frameTemplate, output, c.output, QStringLiteral("1234.jpg"), Plain(),
                                        c.paperW, c.paperH, 100))
            << c.why;
        EXPECT_EQ(PictureCounter, 6) << c.why;
        EXPECT_EQ(PictureNumberOf(QStringLiteral("1234.jpg")), 0) << c.why;
    }
    // The largest paper accepted still composes, and takes the next number.
    const QImage saved = Compose(CompositionPhoto::Whole(Solid({10, 10}, Qt::red)), ClearTemplate(), Plain(),
                                 QStringLiteral("1234.jpg"), MaxPaperMm, MinPaperMm);
    EXPECT_EQ(saved.size(), CanvasSize(MaxPaperMm, MinPaperMm));
    EXPECT_EQ(PictureCounter, 7);
    EXPECT_EQ(PictureNumberOf(QStringLiteral("1234.jpg")), 7);
}

TEST_F(SinglePhotoTest, JpegTemplateLiesUnderThePhoto)
{
    ASSERT_TRUE(Solid({566, 377}, Qt::red).save(QStringLiteral("frame.jpg")));
    TemplateSettings settings = Plain();
    settings.LeftRec = 20;
    settings.TopRec = 10;
    const QImage saved = Compose(CompositionPhoto::Whole(Solid({100, 60}, Qt::blue)), LoadFrameTemplate("frame.jpg"), settings);
    EXPECT_TRUE(Near(saved, {150, 80}, Qt::blue));
    EXPECT_TRUE(Near(saved, {95, 45}, Qt::red));
    EXPECT_TRUE(Near(saved, {205, 115}, Qt::red));
}

TEST_F(SinglePhotoTest, AlphaTemplateGoesOverThePhotoPremultiplied)
{
    QImage frame = Solid({566, 377}, Qt::white, QImage::Format_ARGB32);
    for (int y = 50; y < 250; ++y)
        for (int x = 100; x < 400; ++x)
            frame.setPixel(x, y, x < 300 ? qRgba(0, 0, 0, 0) : qRgba(255, 0, 0, 128));
    ASSERT_TRUE(frame.save(QStringLiteral("frame.png")));
    TemplateSettings settings = Plain();
    settings.LeftRec = settings.TopRec = -1;
    const QImage saved = Compose(CompositionPhoto::Whole(Solid({600, 400}, Qt::blue)), LoadFrameTemplate("frame.png"), settings);
    EXPECT_TRUE(Near(saved, {200, 150}, Qt::blue));
    EXPECT_TRUE(Near(saved, {350, 150}, QColor(128, 0, 127)));
    EXPECT_TRUE(Near(saved, {50, 150}, Qt::white));

    QImage pixel(1, 3, QImage::Format_ARGB32);
    pixel.setPixel(0, 0, qRgba(200, 100, 50, 128));
    pixel.setPixel(0, 1, qRgba(200, 100, 50, 0));
    pixel.setPixel(0, 2, qRgba(200, 100, 50, 255));
    PremultiplyTemplate(pixel);
    EXPECT_EQ(pixel.format(), QImage::Format_ARGB32_Premultiplied);
    const auto *bits = reinterpret_cast<const QRgb *>(pixel.constBits());
    EXPECT_EQ(bits[0], qRgba(100, 50, 25, 128));
    EXPECT_EQ(bits[1], qRgba(0, 0, 0, 0));
    EXPECT_EQ(bits[2], qRgba(200, 100, 50, 255));
}

TEST_F(SinglePhotoTest, AutoSizeThenAutoRotationFollowTheSample)
{
    TemplateSettings settings = Plain();
    settings.Proportion = 0.05f;
    settings.SampleImageWidth = 3000;
    settings.SampleImageHeight = 2000;
    settings.AutoSizeForSampleImage = true;
    for (const bool rotation : {true, false}) {
        settings.AutoRotationForSampleImage = rotation;
        CompositionPhoto photo = CompositionPhoto::Whole(Solid({4000, 6000}, Qt::gray, QImage::Format_Grayscale8));
        QImage frameTemplate = ClearTemplate();
        QImage output;
        ComposeSinglePhoto(photo, frameTemplate, output, Output, QStringLiteral("1.jpg"), settings, PaperW, PaperH, 90);
        EXPECT_EQ(photo.pixels.size(), rotation ? QSize(3002, 2002) : QSize(2000, 3000));
    }
}

TEST_F(SinglePhotoTest, ReducedDecodingKeepsTheGeometry)
{
    QImage source = Solid({640, 480}, Qt::blue);
    source.fill(Qt::blue);
    ASSERT_TRUE(source.save(QStringLiteral("photo.jpg"), "jpeg", 95));
    TemplateSettings settings;
    settings.Proportion = 0.25f;
    settings.showNumber = false;

    const auto reduced = LoadCompositionPhoto("photo.jpg", settings, CanvasSize(PaperW, PaperH));
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->pixels.size(), QSize(160, 120));
    EXPECT_EQ(reduced->storedSize, QSize(640, 480));

    settings.SampleImageWidth = 320;
    settings.SampleImageHeight = 240;
    settings.AutoSizeForSampleImage = true; // rescaled from whole pixels first: no reduction
    EXPECT_EQ(LoadCompositionPhoto("photo.jpg", settings, CanvasSize(PaperW, PaperH))->pixels.size(), QSize(640, 480));
    EXPECT_FALSE(LoadCompositionPhoto("missing.jpg", settings, CanvasSize(PaperW, PaperH)));

    CompositionPhoto stale = *reduced; // settings changed after loading: rescaled from the stored size
    QImage frameTemplate = ClearTemplate();
    QImage output;
    ComposeSinglePhoto(stale, frameTemplate, output, Output, QStringLiteral("1.jpg"), settings, PaperW, PaperH, 90);
    EXPECT_EQ(stale.pixels.size(), QSize(320, 240));

    settings.AutoSizeForSampleImage = false;
    const QImage saved = Compose(*reduced, ClearTemplate(), settings);
    EXPECT_TRUE(Near(saved, {8, 8}, Qt::blue)); // corner (5, 5), drawn 160 x 120
    EXPECT_TRUE(Near(saved, {161, 121}, Qt::blue));
    EXPECT_TRUE(Near(saved, {168, 128}, Qt::white));
}

} // namespace
