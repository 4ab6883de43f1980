#include "compose/ImageRoutines.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr QRgb White = 0xFFFFFFFF;

// Every pixel tells where it came from: red = x, green = y.
QImage Numbered(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y, 7));
    return image;
}

QRgb From(int x, int y)
{
    return qRgb(x, y, 7);
}

TEST(ImageRotationTest, QuarterTurnOfTenBySix)
{
    for (const auto format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
        QImage turned;
        ImageRotation(turned, Numbered(10, 6, format), QuarterTurn);
        ASSERT_EQ(turned.size(), QSize(8, 12));
        EXPECT_EQ(turned.format(), format);
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(turned.pixel(x, 0), White) << x;
        for (int x = 3; x < 8; ++x)
            EXPECT_EQ(turned.pixel(x, 0), From(0, 8 - x)) << x;
        for (int y : {10, 11})
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(turned.pixel(x, y), White) << x << "," << y;
    }
}

TEST(ImageRotationTest, QuarterTurnOfSevenBySevenKeepsEveryPixelOnce)
{
    QImage turned;
    ImageRotation(turned, Numbered(7, 7), QuarterTurn);
    ASSERT_EQ(turned.size(), QSize(9, 9));
    std::multiset<QRgb> seen;
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            if (x < 2 || y >= 7)
                EXPECT_EQ(turned.pixel(x, y), White) << x << "," << y;
            else
                seen.insert(turned.pixel(x, y));
        }
    }
    std::multiset<QRgb> expected;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            expected.insert(From(x, y));
    EXPECT_EQ(seen, expected);
}

TEST(ImageRotationTest, PhotoSizesGainTwoPixels)
{
    QImage turned;
    ImageRotation(turned, QImage(4000, 3000, QImage::Format_Grayscale8), QuarterTurn);
    EXPECT_EQ(turned.size(), QSize(3002, 4002));
    ImageRotation(turned, QImage(3000, 4000, QImage::Format_Grayscale8), QuarterTurn);
    EXPECT_EQ(turned.size(), QSize(4002, 3002));
}

TEST(ImageScaleTest, NearestPixelRoundingHalfUp)
{
    QImage half;
    ImageScale(half, Numbered(4, 4), 0.5);
    ASSERT_EQ(half.size(), QSize(2, 2));
    EXPECT_EQ(half.pixel(0, 0), From(0, 0));
    EXPECT_EQ(half.pixel(1, 0), From(2, 0));
    EXPECT_EQ(half.pixel(0, 1), From(0, 2));
    EXPECT_EQ(half.pixel(1, 1), From(2, 2));

    QImage doubled;
    ImageScale(doubled, Numbered(3, 1, QImage::Format_RGB888), 2.0);
    ASSERT_EQ(doubled.size(), QSize(6, 2));
    const int expected[] = {0, 1, 1, 2, 2, 2}; // 3 equals the width and is taken as 2
    for (int j = 0; j < 6; ++j)
        EXPECT_EQ(doubled.pixel(j, 1), From(expected[j], 0)) << j;
}

TEST(CopyImageTest, EmptySourceLeavesTheDestination)
{
    QImage destination = Numbered(2, 2);
    EXPECT_FALSE(CopyImage(QImage(), destination));
    EXPECT_EQ(destination, Numbered(2, 2));
}

TEST(CopyImageTest, CopyIsIndependentAndCarriesAlphaAtThirtyTwoBits)
{
    QImage source = Numbered(5, 3);
    QImage copy;
    ASSERT_TRUE(CopyImage(source, copy));
    source.setPixel(0, 0, White);
    EXPECT_EQ(copy.pixel(0, 0), From(0, 0));
    EXPECT_EQ(copy.pixel(4, 2), From(4, 2));
    EXPECT_TRUE(copy.hasAlphaChannel());

    QImage gray(3, 2, QImage::Format_Grayscale8);
    gray.fill(90);
    ASSERT_TRUE(CopyImage(gray, copy));
    EXPECT_EQ(copy.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(copy, gray);
}

} // namespace
