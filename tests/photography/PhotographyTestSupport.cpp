#include "tests/photography/PhotographyTestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

void SaveTemplate(const std::filesystem::path &path, QSize size, const std::vector<QRect> &windows)
{
    QImage frame(size, QImage::Format_ARGB32);
    frame.fill(Qt::white);
    for (const QRect &window : windows)
        for (int y = window.top(); y <= window.bottom(); ++y)
            for (int x = window.left(); x <= window.right(); ++x)
                frame.setPixel(x, y, 0);
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(frame.save(QString::fromStdString(path.string()), "PNG"));
}

void SavePhoto(const std::filesystem::path &path, QColor colour)
{
    QImage photo(120, 80, QImage::Format_RGB32);
    photo.fill(colour);
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    const QString name = QString::fromStdString(path.string());
    const char *format = name.endsWith(QLatin1String("png"), Qt::CaseInsensitive) ? "PNG" : "JPEG";
    ASSERT_TRUE(photo.save(name, format));
}
