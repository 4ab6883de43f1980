#include "compose/PictureNumber.h"
#include "compose/SinglePhoto.h"
#include "intake/Thumbnail.h"
#include "tests/support/CameraPhotos.h"
#include "tests/support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Same picture within JPEG noise: every pixel close, and on average very close.
::testing::AssertionResult SamePicture(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes differ";
    long long total = 0;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            total += d;
            worst = std::max(worst, d);
        }
    }
    const double mean = double(total) / (a.width() * a.height());
    if (worst <= 64 && mean <= 2.0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "worst difference " << worst << ", mean " << mean;
}

QImage Composed(const char *photo, const TemplateSettings &settings)
{
    std::optional<CompositionPhoto> loaded = LoadCompositionPhoto(photo, settings, CanvasSize(60, 40));
    EXPECT_TRUE(loaded);
    QImage frameTemplate(60, 40, QImage::Format_ARGB32);
    frameTemplate.fill(Qt::transparent);
    QImage output;
    EXPECT_TRUE(ComposeSinglePhoto(*loaded, frameTemplate, output, "out.jpg", QStringLiteral("7.jpg"), settings, 60, 40, 95));
    return QImage(QStringLiteral("out.jpg"));
}

} // namespace

// A portrait photo stored as landscape pixels with orientation 6 is composed
// and listed exactly like the same photo stored upright: the turn to the
// sample's orientation then acts on the upright photo.
TEST(UprightPhoto, TaggedAndPhysicallyTurnedCopiesComposeAndListAlike)
{
    ProgramFolder folder;
    const QImage upright = Quadrants({480, 720});
    QFile tagged(QStringLiteral("tagged.jpg"));
    ASSERT_TRUE(tagged.open(QIODevice::WriteOnly));
    tagged.write(WithExifOrientation(JpegBytes(StoredFor(upright, 6), 95), 6));
    tagged.close();
    ASSERT_TRUE(upright.save(QStringLiteral("turned.jpg"), "JPG", 95));

    TemplateSettings plain;
    plain.Proportion = 0.5f;
    TemplateSettings autoTurn = plain;
    autoTurn.SampleImageWidth = 720;
    autoTurn.SampleImageHeight = 480;
    autoTurn.AutoRotationForSampleImage = true;
    for (const TemplateSettings &settings : {plain, autoTurn}) {
        SCOPED_TRACE(settings.AutoRotationForSampleImage ? "turned to a landscape sample" : "as it is");
        PictureCounter = 0;
        const QImage fromTagged = Composed("tagged.jpg", settings);
        PictureCounter = 0;
        const QImage fromTurned = Composed("turned.jpg", settings);
        EXPECT_TRUE(SamePicture(fromTagged, fromTurned));
        // Upright, red is at the top left; the clockwise turn brings the bottom left's blue there.
        const QColor topLeft = fromTagged.pixelColor(100, 100);
        const QColor expected = settings.AutoRotationForSampleImage ? QColor(Qt::blue) : QColor(Qt::red);
        EXPECT_LT(std::abs(topLeft.red() - expected.red()) + std::abs(topLeft.blue() - expected.blue()), 60)
            << topLeft.name().toStdString();
    }
    EXPECT_TRUE(SamePicture(MakeThumbnail(QStringLiteral("tagged.jpg"), {90, 60}),
                            MakeThumbnail(QStringLiteral("turned.jpg"), {90, 60})));
}
