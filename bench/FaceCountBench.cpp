// Times the face count of composed pictures on one processor core, the way
// the face-counting tool counts a printed photo. Each photo given (the test
// photos when none is) is composed as the desk composes it, fitted into the
// window of a frame on a 2872 x 1927 picture (a 152 x 102 mm page at 480 dpi). Then, per picture, in processor time of
// this thread:
//   - the whole count (decode, greying, scaling, cascade, second look);
//   - the cascade scan alone on the searched picture, the project's scan
//     against OpenCV's CascadeClassifier, and whether both found the same
//     windows.
// Run it pinned to one core: taskset -c 0 build/bench/FaceCountBench
//
//   FaceCountBench [--keep DIR] [PHOTO...]

#include "compose/SinglePhoto.h"
#include "faces/CascadeScan.h"
#include "faces/FaceDetector.h"
#include "faces/HaarCascade.h"
#include "faces/PeopleCount.h"
#include "faces/PictureMemory.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <set>
#include <tuple>
#include <vector>

namespace {

constexpr int PaperWidth = 152; // mm
constexpr int PaperHeight = 102;
const QSize Picture = CanvasSize(PaperWidth, PaperHeight);
constexpr int Border = 72;
// As the tool searches: the long side at 1800 pixels, faces from 1.5 % of it, 10 % steps.
constexpr int WorkingLongSide = 1800;
constexpr double SmallestShare = 0.015;
constexpr double ScaleStep = 1.1;

double ThreadMs(const std::function<void()> &work)
{
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
}

// A frame template the size of the canvas: an opaque border round a
// transparent window.
QImage FrameTemplate()
{
    QImage frame(Picture, QImage::Format_ARGB32);
    frame.fill(QColor(30, 40, 140));
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(Border, Border, Picture.width() - 2 * Border, Picture.height() - 2 * Border), Qt::transparent);
    return frame;
}

// The photo composed as the desk composes it: fitted into the frame's
// window and centred, with its name as the label, at quality 100.
bool Compose(const QString &photoPath, const QString &templatePath, const QString &outputPath)
{
    const QSize stored = QImageReader(photoPath).size();
    if (!stored.isValid())
        return false;
    const QSize window = Picture - QSize(2 * Border, 2 * Border);
    const QSize fitted = stored.scaled(window, Qt::KeepAspectRatio);
    TemplateSettings settings;
    settings.Proportion = static_cast<float>(fitted.width()) / static_cast<float>(stored.width());
    settings.LeftRec = std::max(1, (Picture.width() - fitted.width()) / 2 / CanvasPerScreenPixel);
    settings.TopRec = std::max(1, (Picture.height() - fitted.height()) / 2 / CanvasPerScreenPixel);
    CompositionInputs inputs =
        OpenCompositionInputs(photoPath.toStdString(), templatePath.toStdString(), settings, Picture);
    if (!inputs.photo || inputs.frameTemplate.isNull())
        return false;
    QImage output;
    return ComposeSinglePhoto(*inputs.photo, inputs.frameTemplate, output, outputPath.toStdString(),
                              QFileInfo(photoPath).fileName(), settings, PaperWidth, PaperHeight, 100);
}

// The picture as the cascade sees it: grey, the long side at the working size, equalised.
cv::Mat Searched(const QImage &picture)
{
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8)
                            .scaled(picture.size() * (static_cast<double>(WorkingLongSide) / picture.width()),
                                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const cv::Mat wrapped(grey.height(), grey.width(), CV_8UC1, const_cast<uchar *>(grey.constBits()),
                          static_cast<size_t>(grey.bytesPerLine()));
    cv::Mat equalised;
    cv::equalizeHist(wrapped, equalised);
    return equalised;
}

std::set<std::tuple<int, int, int, int>> AsSet(const std::vector<cv::Rect> &windows)
{
    std::set<std::tuple<int, int, int, int>> set;
    for (const cv::Rect &window : windows)
        set.emplace(window.x, window.y, window.width, window.height);
    return set;
}

double Mean(const std::vector<double> &values)
{
    double sum = 0;
    for (double value : values)
        sum += value;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

} // namespace

int main(int argc, char *argv[])
{
    KeepPictureMemory(); // as the tool runs
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the label's font, without a screen
    QGuiApplication app(argc, argv);
    QStringList photos = app.arguments().mid(1);
    QString keep;
    if (photos.size() >= 2 && photos.first() == QStringLiteral("--keep")) {
        keep = photos.at(1);
        photos = photos.mid(2);
    }
    if (photos.isEmpty()) {
        const QDir corpus(QStringLiteral(FACES_PHOTOS));
        for (const QString &name : corpus.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
            photos << corpus.filePath(name);
    }
    QTemporaryDir scratch;
    const QDir out(keep.isEmpty() ? scratch.path() : keep);
    if (!out.exists() && !QDir().mkpath(out.path()))
        return 1;

    const QString templatePath = out.filePath(QStringLiteral("frame.png"));
    if (!FrameTemplate().save(templatePath))
        return 1;
    const FaceDetector detector;
    const std::optional<HaarCascade> cascade = HaarCascade::Read(FaceDetector::CascadeFile());
    cv::CascadeClassifier openCv(FaceDetector::CascadeFile());
    if (!detector.Ready() || !cascade || openCv.empty()) {
        std::fprintf(stderr, "cannot read %s\n", FaceDetector::CascadeFile());
        return 1;
    }
    const int smallest = static_cast<int>(SmallestShare * WorkingLongSide + 0.5);
    std::printf("per composed %dx%d picture, processor ms on this thread; %s\n", Picture.width(), Picture.height(),
                VectorScanPays() ? "256-bit vector scan" : "no AVX2: the tool uses OpenCV's scan");
    std::printf("%-36s %6s %10s %12s %12s %s\n", "photo", "count", "count ms", "scan ms", "OpenCV ms", "windows");
    std::vector<double> counts, scans, openCvScans;
    bool allSame = true;
    for (const QString &photoPath : photos) {
        const QString saved = out.filePath(QFileInfo(photoPath).fileName());
        if (!Compose(photoPath, templatePath, saved)) {
            std::fprintf(stderr, "cannot compose %s\n", qPrintable(photoPath));
            return 1;
        }
        const QImage picture(saved);
        std::optional<int> people;
        counts.push_back(ThreadMs([&] { people = CountPeople(saved.toStdString(), PhotoWindow(), detector); }));
        const cv::Mat searched = Searched(picture);
        std::vector<cv::Rect> ours, theirs;
        scans.push_back(ThreadMs([&] { ours = ScanCascade(*cascade, searched, ScaleStep, smallest); }));
        openCvScans.push_back(ThreadMs(
            [&] { openCv.detectMultiScale(searched, theirs, ScaleStep, 0, 0, cv::Size(smallest, smallest)); }));
        const bool same = AsSet(ours) == AsSet(theirs);
        allSame = allSame && same;
        std::printf("%-36s %6d %10.0f %12.0f %12.0f %zu %s\n", qPrintable(QFileInfo(photoPath).fileName()),
                    people.value_or(-1), counts.back(), scans.back(), openCvScans.back(), ours.size(),
                    same ? "same" : "DIFFERENT");
    }
    std::printf("mean: count %.0f ms (longest %.0f), scan %.0f ms against OpenCV's %.0f ms%s\n", Mean(counts),
                *std::max_element(counts.begin(), counts.end()), Mean(scans), Mean(openCvScans),
                allSame ? "" : "; WINDOWS DIFFER");
    return allSame ? 0 : 1;
}
