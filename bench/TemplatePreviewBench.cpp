// Times what the frame template settings dialog does on the user-interface
// thread or in the background when a sample photo is chosen and whenever a
// field changes, for a 6000 x 4000 JPEG sample and a 152 x 102 mm PNG template,
// and prints the median of each:
//   - reading the sample whole versus at most 1600 pixels (the preview's copy);
//   - composing the preview on the 480-dpi print canvas and shrinking it to
//     the screen, versus composing it at screen size from the preview's copy.
//
//   TemplatePreviewBench [--runs N]

#include "compose/ImageFiles.h"
#include "compose/SinglePhoto.h"
#include "compose/TemplatePreview.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int PaperW = 152;
constexpr int PaperH = 102;
constexpr QSize DecodeLimit{1600, 1600};

double MedianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void MakeInputs(const QString &photo, const QString &frame)
{
    QImage picture(6000, 4000, QImage::Format_RGB32);
    auto *random = QRandomGenerator::global();
    for (int y = 0; y < picture.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb((x / 7) & 0xFF, (y / 5) & 0xFF, random->bounded(64) + 96);
    }
    picture.save(photo, "jpeg", 92);
    QImage frameTemplate(CanvasSize(PaperW, PaperH), QImage::Format_ARGB32);
    frameTemplate.fill(qRgba(230, 200, 160, 255));
    QPainter painter(&frameTemplate);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(QRect(300, 200, 1600, 1200), Qt::transparent);
    painter.end();
    frameTemplate.save(frame, "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int runs = argc > 2 && QByteArray(argv[1]) == "--runs" ? std::max(1, atoi(argv[2])) : 7;
    QTemporaryDir scratch;
    const QString photoPath = scratch.filePath(QStringLiteral("photo.jpg"));
    const QString framePath = scratch.filePath(QStringLiteral("frame.png"));
    MakeInputs(photoPath, framePath);

    TemplateSettings settings;
    settings.Proportion = 0.3f;
    settings.LeftRec = 40;
    settings.TopRec = 20;
    const QSize paper = PreviewPaperSize(PaperW, PaperH);
    const PreviewTemplate prepared = PreparePreviewTemplate(framePath.toStdString(), paper);
    const QImage whole(photoPath);
    const QImage forPreview = LoadPreviewSample(photoPath.toStdString(), DecodeLimit)->pixels;
    const QImage frameTemplate = LoadFrameTemplate(framePath.toStdString());
    const QRect photo = PreviewPhotoRect(whole.size(), settings, PaperW, PaperH);

    const double decodeWhole = MedianMs(runs, [&] { QImage(photoPath).isNull(); });
    const double decodePreview = MedianMs(runs, [&] { LoadPreviewSample(photoPath.toStdString(), DecodeLimit); });
    const double composeCanvas = MedianMs(runs, [&] {
        const QSize canvasSize = CanvasSize(PaperW, PaperH);
        QImage canvas(canvasSize, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        const QSize drawn = DrawnSize(whole.size(), settings.Proportion);
        painter.drawImage(PhotoCorner(drawn, settings, canvasSize), StretchImage(whole, drawn));
        painter.setOpacity(150.0 / 255.0);
        painter.drawImage(QPoint(0, 0), frameTemplate);
        painter.end();
        StretchImage(canvas, paper);
    });
    const double composeScreen = MedianMs(runs, [&] { ComposePreview(prepared, forPreview, photo); });

    std::printf("sample read, whole 6000x4000          %8.1f ms\n", decodeWhole);
    std::printf("sample read, preview copy (<=1600)    %8.1f ms\n", decodePreview);
    std::printf("preview composed on canvas, shrunk    %8.1f ms\n", composeCanvas);
    std::printf("preview composed at screen size       %8.1f ms\n", composeScreen);
    std::printf("(medians of %d runs)\n", runs);
    return 0;
}
