#include "tests/compose/TestImages.h"

#include <cstdlib>

QImage Solid(QSize size, QColor color, QImage::Format format)
{
    QImage image(size, format);
    image.fill(color);
    return image;
}

QImage SaveFrameWithWindow(const QString &path, QSize size, QRect window)
{
    QImage frame = Solid(size, Qt::white, QImage::Format_ARGB32);
    for (int y = window.top(); y <= window.bottom(); ++y)
        for (int x = window.left(); x <= window.right(); ++x)
            frame.setPixel(x, y, qRgba(0, 0, 0, 0));
    EXPECT_TRUE(frame.save(path, "PNG"));
    return frame;
}

void SaveSolidJpeg(const QString &path, QSize size, QColor color)
{
    EXPECT_TRUE(Solid(size, color).save(path, "jpeg", 90));
}

::testing::AssertionResult Near(const QImage &image, QPoint at, QColor expected)
{
    const QColor actual = image.pixelColor(at);
    const int tolerance = 40;
    if (std::abs(actual.red() - expected.red()) <= tolerance && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at (" << at.x() << "," << at.y() << ") " << actual.name().toStdString()
                                         << ", expected " << expected.name().toStdString();
}
