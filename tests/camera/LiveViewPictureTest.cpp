#include "camera/LiveViewPicture.h"
#include "camera/sdk/SimulatedPictures.h"

#include "tests/camera/CameraWindowRig.h"

#include <gtest/gtest.h>

namespace {

// Focus points follow the window: scaled from the record's image to the
// window, truncated toward zero; a record without an image size places
// nothing, and a point count beyond the record holds no more than it has.
TEST(LiveViewPicture, FocusPointsFollowTheWindow)
{
    FocusRecord record;
    record.image = {0, 0, 6000, 4000};
    record.pointCount = 1;
    record.points[0].valid = 1;
    record.points[0].rect = {1499, 999, 200, 200};
    const std::vector<FocusPoint> points = FocusPointsInWindow(record, {800, 600});
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].rect.x, 199); // 1499 * 800 / 6000 = 199.87
    EXPECT_EQ(points[0].rect.y, 149); // 999 * 600 / 4000 = 149.85
    EXPECT_EQ(points[0].rect.width, 26);
    EXPECT_EQ(points[0].rect.height, 30);
    EXPECT_EQ(points[0].valid, 1u);

    record.pointCount = 100000;
    EXPECT_EQ(FocusPointsInWindow(record, {800, 600}).size(), std::size(record.points));
    record.image.width = 0;
    EXPECT_TRUE(FocusPointsInWindow(record, {800, 600}).empty());
}

// A frame is stretched over the whole window; bytes that are no JPEG give
// nothing to show, and only a fresh frame is handed over.
TEST(LiveViewPicture, FramesAreStretchedAndHandedOverOnce)
{
    const QByteArray jpeg = SimulatedPictures::LiveViewFrame(1);
    LiveViewFrame frame;
    frame.zoom = 1;
    frame.zoomRect = {0, 0, 3000, 2000};
    frame.coordinates = {6000, 4000};
    const QImage drawn = DrawLiveViewPicture(jpeg.constData(), std::size_t(jpeg.size()), frame, {}, {640, 400});
    EXPECT_EQ(drawn.size(), QSize(640, 400));
    EXPECT_EQ(OutlineShare(drawn, {0, 0, 320, 200}, 0xFFFFFF), 1.0) << "the zoom rectangle, scaled";
    EXPECT_TRUE(DrawLiveViewPicture("not a jpeg", 10, frame, {}, {640, 400}).isNull());
    EXPECT_TRUE(DrawLiveViewPicture(nullptr, 0, frame, {}, {640, 400}).isNull());

    LiveViewPicture picture;
    picture.setWindowSize({320, 200});
    EXPECT_TRUE(picture.take().isNull());
    EXPECT_TRUE(picture.draw(jpeg.constData(), std::size_t(jpeg.size()), frame)) << "tell the window";
    EXPECT_FALSE(picture.draw(jpeg.constData(), std::size_t(jpeg.size()), frame)) << "already told: the newer replaces it";
    EXPECT_EQ(picture.take().size(), QSize(320, 200));
    EXPECT_TRUE(picture.take().isNull());
    EXPECT_FALSE(picture.draw("not a jpeg", 10, frame));
}

} // namespace
