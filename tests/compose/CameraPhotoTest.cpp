#include "compose/ExifOrientation.h"
#include "compose/ImageFiles.h"
#include "compose/JpegDecoder.h"
#include "compose/PictureNumber.h"
#include "compose/SinglePhoto.h"
#include "tests/compose/TestImages.h"
#include "tests/support/CameraPhotos.h"
#include "tests/support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The quadrant colours of an upright Quadrants picture, probed a quarter in.
void ExpectUprightQuadrants(const QImage &image)
{
    const int w = image.width(), h = image.height();
    EXPECT_TRUE(Near(image, {w / 4, h / 4}, Qt::red));
    EXPECT_TRUE(Near(image, {w * 3 / 4, h / 4}, Qt::green));
    EXPECT_TRUE(Near(image, {w / 4, h * 3 / 4}, Qt::blue));
    EXPECT_TRUE(Near(image, {w * 3 / 4, h * 3 / 4}, Qt::yellow));
}

} // namespace

TEST(CameraPhoto, EveryExifOrientationLoadsUprightWholeReducedAndInParts)
{
    ProgramFolder folder;
    const QImage upright = Quadrants({96, 64});
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(testing::Message() << "orientation " << orientation);
        Write(QStringLiteral("photo.jpg"), WithExifOrientation(JpegBytes(StoredFor(upright, orientation), 95), orientation));
        EXPECT_EQ(ExifOrientation("photo.jpg"), orientation);
        EXPECT_EQ(PhotoSize("photo.jpg"), QSize(96, 64));

        const QImage whole = LoadPhoto("photo.jpg");
        ASSERT_EQ(whole.size(), QSize(96, 64));
        ExpectUprightQuadrants(whole);
        const QImage half = LoadPhoto("photo.jpg", {40, 30});
        ASSERT_EQ(half.size(), QSize(48, 32));
        ExpectUprightQuadrants(half);

        // Only the upright picture's right half, at half size: what comes back
        // says where it lies, and holds the green and yellow quadrants.
        const std::optional<JpegPicture> part = DecodeJpeg("photo.jpg", 2, QRect(24, 0, 24, 32));
        ASSERT_TRUE(part && part->complete);
        ASSERT_TRUE(part->region.contains(QRect(24, 0, 24, 32))) << part->region.x() << "," << part->region.width();
        EXPECT_EQ(part->pixels.size(), part->region.size());
        EXPECT_TRUE(Near(part->pixels, QPoint(30, 8) - part->region.topLeft(), Qt::green));
        EXPECT_TRUE(Near(part->pixels, QPoint(30, 24) - part->region.topLeft(), Qt::yellow));
    }
}

TEST(CameraPhoto, CmykGreyAndProgressiveJpegsKeepTheirColours)
{
    ProgramFolder folder;
    const QImage upright = Quadrants({96, 64});
    ASSERT_TRUE(upright.save(QStringLiteral("source.png")));
    struct Case
    {
        const char *name;
        QStringList convert; // ImageMagick options between input and output
        bool grey;
    } const cases[] = {
        {"adobe-cmyk.jpg", {QStringLiteral("-colorspace"), QStringLiteral("CMYK")}, false},
        {"grey.jpg", {QStringLiteral("-colorspace"), QStringLiteral("Gray")}, true},
        {"progressive.jpg", {QStringLiteral("-interlace"), QStringLiteral("JPEG")}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(RunTool(QStringLiteral("convert"),
                            QStringList{QStringLiteral("source.png")} + c.convert
                                + QStringList{QStringLiteral("-quality"), QStringLiteral("95"), QString::fromLatin1(c.name)}));
        const QImage loaded = LoadPhoto(c.name);
        ASSERT_EQ(loaded.size(), QSize(96, 64));
        if (c.grey) {
            EXPECT_TRUE(Near(loaded, {24, 16}, QColor(qGray(qRgb(255, 0, 0)), qGray(qRgb(255, 0, 0)), qGray(qRgb(255, 0, 0)))));
            EXPECT_TRUE(Near(loaded, {72, 48}, QColor(226, 226, 226)));
        } else {
            ExpectUprightQuadrants(loaded);
            ExpectUprightQuadrants(LoadPhoto(c.name, {48, 32}));
        }
    }
}

namespace {

const QByteArray EndMarker("\xFF\xD9", 2);

} // namespace

// A photo is composed only when its image data is whole and undamaged,
// whatever follows it, on every road: the copy without a template, the
// whole picture decoded at once and the photo decoded row by row while it
// is composed. A damaged one is marked as the photo's own fault.
TEST(CameraPhoto, OnlyAWholeUndamagedJpegIsComposed)
{
    ProgramFolder folder;
    QImage detailed = Quadrants({320, 240});
    for (int y = 0; y < detailed.height(); y += 3)
        for (int x = 0; x < detailed.width(); x += 5)
            detailed.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QByteArray jpeg = JpegBytes(detailed);
    const QByteArray progressive = ProgressiveJpegBytes(detailed);
    const QByteArray motionVideo(64 * 1024, '\x5a');
    const QSize canvas = CanvasSize(30, 20);
    SaveFrameWithWindow(QStringLiteral("frame.png"), canvas, QRect(20, 20, 500, 320));
    struct Case
    {
        const char *name;
        QByteArray bytes;
        bool whole;
    } const cases[] = {
        {"plain", jpeg, true},
        {"a camera photo with a motion-photo video after it", WithExifOrientation(jpeg, 1) + motionVideo, true},
        {"zero padding after the end marker", jpeg + QByteArray(4096, '\0'), true},
        {"progressive", progressive, true},
        {"cut at two thirds", jpeg.left(jpeg.size() * 2 / 3), false},
        {"cut before the end marker", jpeg.left(jpeg.size() - 2), false},
        {"two thirds, the rest zeros", jpeg.left(jpeg.size() * 2 / 3) + QByteArray(jpeg.size() / 3, '\0'), false},
        {"cut in its image data, an end marker appended", CutWithEndMarker(jpeg), false},
        {"declaring 65000 x 65000", DeclaringSize(jpeg, 65000, 65000), false},
        {"progressive, cut before its last scan, an end marker appended",
         progressive.left(progressive.lastIndexOf(QByteArray("\xFF\xDA", 2))) + EndMarker, false},
        {"no JPEG", QByteArray("this is no photo"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Write(QStringLiteral("photo.jpg"), c.bytes);
        const bool damaged = !c.whole && c.bytes.startsWith("\xFF\xD8");
        EXPECT_EQ(JpegIsWhole("photo.jpg"), c.whole);
        EXPECT_EQ(LoadCompositionPhoto("photo.jpg", TemplateSettings{}, canvas).has_value(), c.whole);

        TemplateSettings half;
        half.Proportion = 0.5f; // decoded at exactly its drawn size: row by row, under the template
        QFile::remove(QStringLiteral("out.jpg"));
        CompositionInputs inputs = OpenCompositionInputs("photo.jpg", "frame.png", half, canvas);
        QImage output;
        const bool composed = inputs.photo
            && ComposeSinglePhoto(*inputs.photo, inputs.frameTemplate, output, "out.jpg", QStringLiteral("1.jpg"), half,
                                  30, 20, 95);
        EXPECT_EQ(composed, c.whole);
        EXPECT_EQ(QFile::exists(QStringLiteral("out.jpg")), c.whole);
        EXPECT_EQ(inputs.photoDamaged || (inputs.photo && inputs.photo->damaged), damaged);
    }
}

TEST(CameraPhoto, AMistypedScaleDecodesAndStretchesOnlyWhatLandsOnTheCanvas)
{
    ProgramFolder folder;
    ASSERT_TRUE(Quadrants({1200, 800}).save(QStringLiteral("photo.jpg"), "JPG", 95));
    TemplateSettings settings;
    settings.Proportion = 5.0f; // meant 0.5: drawn 6000 x 4000 on a 566 x 377 canvas
    settings.showNumber = false;
    settings.LeftRec = 20; // photo corner at (100, 100)
    settings.TopRec = 20;
    const QSize canvas = CanvasSize(30, 20);

    std::optional<CompositionPhoto> photo = LoadCompositionPhoto("photo.jpg", settings, canvas);
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->storedSize, QSize(1200, 800));
    EXPECT_LE(photo->pixels.width(), 120); // (566 - 100) / 5, rounded out to the file's blocks
    EXPECT_LE(photo->pixels.height(), 80);

    QImage frameTemplate = Solid({60, 40}, Qt::transparent, QImage::Format_ARGB32);
    QImage output;
    ASSERT_TRUE(ComposeSinglePhoto(*photo, frameTemplate, output, "out.jpg", QStringLiteral("1.jpg"), settings, 30, 20, 95));
    const QImage saved(QStringLiteral("out.jpg"));
    EXPECT_TRUE(Near(saved, {50, 50}, Qt::white));
    EXPECT_TRUE(Near(saved, {300, 200}, Qt::red)); // all of the canvas shows the photo's top left
    EXPECT_TRUE(Near(saved, {560, 370}, Qt::red));
}

// The photo decoded row by row under the template while the rows above are
// encoded gives the very picture of the whole-picture road: partly off the
// canvas, under a half-transparent band, with its label.
TEST(CameraPhoto, TheRowByRowRoadGivesThePictureOfTheWholePictureRoad)
{
    ProgramFolder folder;
    ASSERT_TRUE(Quadrants({1200, 800}).save(QStringLiteral("photo.jpg"), "JPG", 95));
    const QSize canvas = CanvasSize(30, 20);
    QImage frame = SaveFrameWithWindow(QStringLiteral("frame.png"), canvas, QRect(30, 30, 500, 320));
    for (int y = 200; y < 240; ++y)
        for (int x = 0; x < canvas.width(); ++x)
            frame.setPixel(x, y, qRgba(40, 200, 90, 128));
    ASSERT_TRUE(frame.save(QStringLiteral("frame.png")));
    TemplateSettings settings;
    settings.Proportion = 0.5f; // 600 x 400 from a decode at 1/2
    settings.LeftRec = 20;      // corner (100, 100): the photo runs off the right and bottom
    settings.TopRec = 20;
    settings.showNumber = true;

    enum Road { Whole, PhotoRowByRow, TemplateRowByRowToo };
    QImage pictures[3];
    for (const Road road : {Whole, PhotoRowByRow, TemplateRowByRowToo}) {
        SCOPED_TRACE(road);
        PictureCounter = 0;
        CompositionInputs inputs;
        if (road == TemplateRowByRowToo) {
            inputs = OpenCompositionInputs("photo.jpg", "frame.png", settings, canvas);
        } else {
            inputs.photo = road == Whole ? LoadCompositionPhoto("photo.jpg", settings, canvas)
                                         : OpenCompositionPhoto("photo.jpg", settings, canvas);
            inputs.frameTemplate = LoadFrameTemplate("frame.png");
        }
        ASSERT_TRUE(inputs.photo);
        EXPECT_EQ(inputs.photo->deferred.has_value(), road != Whole);
        QImage output;
        ASSERT_TRUE(ComposeSinglePhoto(*inputs.photo, inputs.frameTemplate, output, "out.jpg", QStringLiteral("12.jpg"),
                                       settings, 30, 20, 95));
        pictures[road] = QImage(QStringLiteral("out.jpg"));
        EXPECT_EQ(output.isNull(), road != Whole) << "the row-by-row road never holds the picture whole";
    }
    ASSERT_EQ(pictures[Whole].size(), canvas);
    EXPECT_EQ(pictures[Whole], pictures[PhotoRowByRow]);
    EXPECT_EQ(pictures[Whole], pictures[TemplateRowByRowToo]);
    const QImage &picture = pictures[TemplateRowByRowToo];
    EXPECT_TRUE(Near(picture, {150, 150}, Qt::red));
    EXPECT_TRUE(Near(picture, {450, 320}, Qt::yellow));
    EXPECT_TRUE(Near(picture, {545, 300}, Qt::white));             // the frame over the photo
    EXPECT_TRUE(Near(picture, {450, 220}, QColor(20, 227, 45))); // the half-clear band over green
}
