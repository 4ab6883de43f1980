#include "compose/FrameTemplateCache.h"
#include "compose/SinglePhoto.h"
#include "tests/compose/TestImages.h"
#include "tests/support/ProgramFolder.h"

#include <QBuffer>
#include <QFile>

#include <future>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

const QSize Canvas = CanvasSize(30, 20);

// A frame of one colour round a clear window, as PNG bytes padded to
// `length` (bytes after the end chunk are never read), so that two frames
// can be written over each other keeping the file's size.
QByteArray FramePng(QColor border, qsizetype length)
{
    QImage frame = Solid(Canvas, border, QImage::Format_ARGB32);
    for (int y = 40; y < Canvas.height() - 40; ++y)
        for (int x = 40; x < Canvas.width() - 40; ++x)
            frame.setPixel(x, y, qRgba(0, 0, 0, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    frame.save(&buffer, "PNG");
    return bytes + QByteArray(std::max<qsizetype>(0, length - bytes.size()), '\0');
}

// Writes over the file in place: the same inode, and with `keepTime` the
// same size and modification time, nanoseconds and all.
void WriteInPlace(const char *path, const QByteArray &bytes, bool keepTime)
{
    struct stat before {};
    ASSERT_EQ(::stat(path, &before), 0);
    QFile file(QString::fromUtf8(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    if (keepTime) {
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path, times, 0), 0);
    }
}

// Composes photo.jpg with the template at frame.png into `output`.
bool Composed(const char *output)
{
    TemplateSettings settings;
    settings.Proportion = 0.5f; // decoded row by row under the template
    settings.showNumber = false;
    CompositionInputs inputs = OpenCompositionInputs("photo.jpg", "frame.png", settings, Canvas);
    QImage picture;
    return inputs.photo
        && ComposeSinglePhoto(*inputs.photo, inputs.frameTemplate, picture, output, QStringLiteral("1.jpg"), settings, 30,
                              20, 95);
}

} // namespace

// The template is inflated once per version of its file: a rewrite that
// keeps its stamp is not even read, any change is seen at the next photo.
TEST(FrameTemplateCache, AKeptTemplateServesUntilItsFileChanges)
{
    ProgramFolder folder;
    SaveSolidJpeg(QStringLiteral("photo.jpg"), {1200, 800}, Qt::green);
    const qsizetype length = std::max(FramePng(Qt::red, 0).size(), FramePng(Qt::blue, 0).size());
    {
        QFile frame(QStringLiteral("frame.png"));
        ASSERT_TRUE(frame.open(QIODevice::WriteOnly));
        frame.write(FramePng(Qt::red, length));
    }
    ASSERT_TRUE(Composed("out.jpg"));
    EXPECT_TRUE(Near(QImage(QStringLiteral("out.jpg")), {10, 10}, Qt::red));

    WriteInPlace("frame.png", FramePng(Qt::blue, length), true);
    ASSERT_TRUE(Composed("kept.jpg"));
    EXPECT_TRUE(Near(QImage(QStringLiteral("kept.jpg")), {10, 10}, Qt::red)) << "the same stamp: the kept template";

    WriteInPlace("frame.png", FramePng(Qt::blue, length), false);
    ASSERT_TRUE(Composed("changed.jpg"));
    EXPECT_TRUE(Near(QImage(QStringLiteral("changed.jpg")), {10, 10}, Qt::blue)) << "a new modification time";
    EXPECT_TRUE(Near(QImage(QStringLiteral("changed.jpg")), {Canvas.width() / 2, Canvas.height() / 2}, Qt::green));
}

// Compositions on several threads take one template as it is first read,
// row by row, and each gives the picture a lone composition gives.
TEST(FrameTemplateCache, CompositionsOnSeveralThreadsShareOneTemplate)
{
    ProgramFolder folder;
    SaveSolidJpeg(QStringLiteral("photo.jpg"), {1200, 800}, Qt::green);
    SaveFrameWithWindow(QStringLiteral("frame.png"), Canvas, QRect(40, 40, 300, 200));
    std::vector<std::future<bool>> compositions;
    for (int i = 0; i < 4; ++i) {
        compositions.push_back(std::async(std::launch::async, [i] {
            const std::string output = "out" + std::to_string(i) + ".jpg";
            return Composed(output.c_str());
        }));
    }
    for (std::future<bool> &composed : compositions)
        EXPECT_TRUE(composed.get());
    const QImage alone(QStringLiteral("out0.jpg"));
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(QImage(QStringLiteral("out%1.jpg").arg(i)), alone) << i;
    EXPECT_TRUE(Near(alone, {10, 10}, Qt::white));
    EXPECT_TRUE(Near(alone, {100, 100}, Qt::green));
}
