#include "faces/FaceDetector.h"
#include "faces/PeopleCount.h"
#include "faces/PhotoWindow.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QString Photo(const char *name)
{
    return QStringLiteral(FACES_PHOTOS "/%1").arg(QString::fromUtf8(name));
}

} // namespace

// Real photos with their hand counts (photos/SOURCES.md): nobody is made up
// where there is no face, and a group is counted within one.
TEST(PeopleCount, CountsRealPhotos)
{
    const FaceDetector detector;
    ASSERT_TRUE(detector.Ready()) << FaceDetector::CascadeFile();
    const struct
    {
        const char *photo;
        int handCount;
        int slack;
    } cases[] = {
        {"people-00-cat.jpg", 0, 0}, // an animal's face is nobody
        {"people-00-coffee.jpg", 0, 0},
        {"people-01-astronaut.jpg", 1, 0},
        {"people-03-sunglasses-street.jpg", 3, 1},
        // Its three tiny faces in pictures on the wall are too small to count.
        {"people-06-group-photo.jpg", 6, 1},
        {"two-astronauts.jpg", 2, 0},
    };
    for (const auto &each : cases) {
        const std::optional<int> people = CountPeople(Photo(each.photo).toStdString(), PhotoWindow(), detector);
        ASSERT_TRUE(people) << each.photo;
        EXPECT_LE(std::abs(*people - each.handCount), each.slack) << each.photo << " counted " << *people;
    }
    EXPECT_FALSE(CountPeople("no-such-photo.jpg", PhotoWindow(), detector));
}

// A composed picture: a frame with a face printed on it, the photo of two
// people in its transparent window. Only the photo's people count.
TEST(PeopleCount, FacesOfTheFrameDoNotCount)
{
    const FaceDetector detector;
    const QImage face(Photo("people-01-astronaut.jpg"));
    const QImage photo(Photo("two-astronauts.jpg"));
    ASSERT_FALSE(face.isNull());
    ASSERT_FALSE(photo.isNull());

    // The template at half the picture's size (it is stretched over it).
    QImage frame(1400, 600, QImage::Format_ARGB32);
    frame.fill(QColor(30, 40, 120));
    const QRect window(500, 50, 865, 433);
    {
        QPainter painter(&frame);
        painter.drawImage(QRect(40, 100, 400, 400), face); // the frame's own decoration
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(window, Qt::transparent);
    }
    QImage picture(frame.size() * 2, QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        painter.drawImage(QRect(window.topLeft() * 2, window.size() * 2), photo);
        painter.drawImage(picture.rect(), frame);
    }

    const PhotoWindow photoWindow = PhotoWindow::FromTemplate(frame);
    EXPECT_EQ(photoWindow.Area(picture.size()), QRect(window.topLeft() * 2, window.size() * 2));
    EXPECT_EQ(FindPeople(picture, photoWindow, detector).size(), 2u);
    EXPECT_EQ(FindPeople(picture, PhotoWindow(), detector).size(), 3u) << "the frame's face is a face";

    // A template without a window shows no photo; one without alpha lies under it.
    QImage closed(frame.size(), QImage::Format_ARGB32);
    closed.fill(Qt::black);
    EXPECT_TRUE(PhotoWindow::FromTemplate(closed).Area(picture.size()).isEmpty());
    EXPECT_TRUE(PhotoWindow::FromTemplate(frame.convertToFormat(QImage::Format_RGB32)).IsWhole());
}

// Someone far behind the people photographed, or a pattern the size of a
// thumbnail, is no one to print for; a crowd's back row is.
TEST(PeopleCount, FarSmallerFacesAreLeftOut)
{
    const auto widths = [](std::vector<int> sizes) {
        std::vector<QRect> faces;
        for (int size : sizes)
            faces.emplace_back(0, 0, size, size);
        std::vector<int> kept;
        for (const QRect &face : WithoutFarSmaller(faces))
            kept.push_back(face.width());
        return kept;
    };
    EXPECT_EQ(widths({85, 80, 24}), (std::vector<int>{85, 80}));
    EXPECT_EQ(widths({24}), (std::vector<int>{24})) << "a lone face stays, however small";
    EXPECT_EQ(widths({60, 70, 90, 110, 130}), (std::vector<int>{60, 70, 90, 110, 130}));
    EXPECT_EQ(widths({160, 30}), (std::vector<int>{160}));
}
