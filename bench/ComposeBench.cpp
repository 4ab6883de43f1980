// Times the single-photo composition of a 6000 x 4000 JPEG into a
// 152 x 102 mm 32-bit PNG frame template (scale 0.5, label on, quality 100)
// side by side with the same job done by ImageMagick's convert and by the
// libvips command line, and prints the median of each.
//
//   ComposeBench [--runs N] [--keep DIR]     side by side (inputs are generated)
//   ComposeBench --once PHOTO TEMPLATE OUT   one composition, for /usr/bin/time -v
//
// VELLORA_CONVERT and VELLORA_VIPS override the two commands (defaults
// /usr/bin/convert and vips).

#include "compose/ImageFiles.h"
#include "compose/PictureNumber.h"
#include "compose/SinglePhoto.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int PaperW = 152;
constexpr int PaperH = 102;
constexpr int Quality = 100;
const QString PhotoName = QStringLiteral("1234.jpg");

TemplateSettings BenchSettings()
{
    TemplateSettings settings; // corner (5, 5), label " 1234" at (5, 5), 38-pixel cell
    settings.Proportion = 0.5f;
    settings.showNumber = true;
    return settings;
}

// A photo with detail everywhere (gradients and noise), so the decoder and
// encoder work as hard as on a real picture.
void MakePhoto(const QString &path)
{
    QImage photo(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < photo.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int noise = static_cast<int>(random.bounded(48));
            row[x] = qRgb((x / 24 + noise) & 0xFF, (y / 16 + noise) & 0xFF, ((x + y) / 40 + noise) & 0xFF);
        }
    }
    photo.save(path, "jpeg", 92);
}

// A frame the size of the canvas: an opaque coloured border, a transparent
// window and a half-transparent band across it.
void MakeTemplate(const QString &path)
{
    const QSize canvas = CanvasSize(PaperW, PaperH);
    QImage frame(canvas, QImage::Format_ARGB32);
    for (int y = 0; y < frame.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x)
            row[x] = qRgba(x * 255 / canvas.width(), 80, y * 255 / canvas.height(), 255);
    }
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(150, 150, canvas.width() - 300, canvas.height() - 300), Qt::transparent);
    painter.fillRect(QRect(150, canvas.height() - 400, canvas.width() - 300, 100), QColor(255, 255, 255, 128));
    painter.end();
    frame.save(path, "png");
}

bool ComposeOnce(const QString &photoPath, const QString &templatePath, const QString &outputPath)
{
    const TemplateSettings settings = BenchSettings();
    auto photo = LoadCompositionPhoto(photoPath.toStdString(), settings);
    QImage frameTemplate = LoadFrameTemplate(templatePath.toStdString());
    if (!photo || frameTemplate.isNull())
        return false;
    QImage output;
    return ComposeSinglePhoto(*photo, frameTemplate, output, outputPath.toStdString(), PhotoName, settings, PaperW,
                              PaperH, Quality);
}

bool Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "failed: %s %s\n", qPrintable(program), qPrintable(arguments.join(u' ')));
        return false;
    }
    return true;
}

// The same job with ImageMagick: white canvas, the photo at half size at
// (5, 5) (decoded with the JPEG size hint), the template over it, the label.
bool ImageMagickJob(const QDir &dir, const QString &output)
{
    const QString convert = qEnvironmentVariable("VELLORA_CONVERT", QStringLiteral("/usr/bin/convert"));
    const QSize canvas = CanvasSize(PaperW, PaperH);
    return Run(convert, {QStringLiteral("-size"), QStringLiteral("%1x%2").arg(canvas.width()).arg(canvas.height()),
                         QStringLiteral("xc:white"), QStringLiteral("("), QStringLiteral("-define"),
                         QStringLiteral("jpeg:size=3000x2000"), dir.filePath(QStringLiteral("photo.jpg")),
                         QStringLiteral("-resize"), QStringLiteral("3000x2000!"), QStringLiteral(")"),
                         QStringLiteral("-geometry"), QStringLiteral("+5+5"), QStringLiteral("-composite"),
                         dir.filePath(QStringLiteral("template.png")), QStringLiteral("-composite"),
                         QStringLiteral("-font"), QStringLiteral("Liberation-Sans-Italic"), QStringLiteral("-pointsize"),
                         QStringLiteral("34"), QStringLiteral("-fill"), QStringLiteral("black"),
                         QStringLiteral("-undercolor"), QStringLiteral("white"), QStringLiteral("-annotate"),
                         QStringLiteral("+5+36"), QStringLiteral(" 1234"), QStringLiteral("-quality"),
                         QString::number(Quality), output});
}

// The same job with the libvips command line, one operation per call:
// shrink-on-load, embed on white, template over, label, save.
bool VipsJob(const QDir &dir, const QString &output)
{
    const QString vips = qEnvironmentVariable("VELLORA_VIPS", QStringLiteral("vips"));
    const QSize canvas = CanvasSize(PaperW, PaperH);
    const auto f = [&](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    return Run(vips, {QStringLiteral("jpegload"), f("photo.jpg"), f("p.v"), QStringLiteral("--shrink"), QStringLiteral("2")})
        && Run(vips, {QStringLiteral("embed"), f("p.v"), f("e.v"), QStringLiteral("5"), QStringLiteral("5"),
                      QString::number(canvas.width()), QString::number(canvas.height()), QStringLiteral("--extend"),
                      QStringLiteral("white")})
        && Run(vips, {QStringLiteral("composite2"), f("e.v"), f("template.png"), f("c.v"), QStringLiteral("over")})
        && Run(vips, {QStringLiteral("text"), f("t.v"), QStringLiteral(" 1234"), QStringLiteral("--font"),
                      QStringLiteral("Liberation Sans Italic 34"), QStringLiteral("--dpi"), QStringLiteral("72")})
        && Run(vips, {QStringLiteral("invert"), f("t.v"), f("ti.v")})
        && Run(vips, {QStringLiteral("insert"), f("c.v"), f("ti.v"), f("l.v"), QStringLiteral("5"), QStringLiteral("5")})
        && Run(vips, {QStringLiteral("extract_band"), f("l.v"), f("x.v"), QStringLiteral("0"), QStringLiteral("--n"),
                      QStringLiteral("3")})
        && Run(vips, {QStringLiteral("jpegsave"), f("x.v"), output, QStringLiteral("--Q"), QString::number(Quality)});
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Contender
{
    const char *name;
    QString output;
    std::function<bool()> job;
    std::vector<double> times;
};

// A few points of every output: inside the photo, in the frame, in the
// half-transparent band and outside the canvas edge of the photo.
void PrintGeometry(const std::vector<Contender> &contenders)
{
    const QPoint probes[] = {{1000, 800}, {60, 60}, {1500, 1600}, {2880 / 2, 1920}};
    for (const Contender &c : contenders) {
        const QImage image(c.output);
        std::printf("  %-22s %dx%d", c.name, image.width(), image.height());
        for (const QPoint p : probes)
            std::printf("  %s", qPrintable(image.pixelColor(p.x(), std::min(p.y(), image.height() - 1)).name()));
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the label
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QStringLiteral("--once"))
        return ComposeOnce(args[2], args[3], args[4]) ? 0 : 1;

    int runs = 5;
    QString keep;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QStringLiteral("--runs"))
            runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == QStringLiteral("--keep"))
            keep = args[i + 1];
    }
    QTemporaryDir temporary;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    QDir().mkpath(dir.path());
    std::printf("generating a 6000x4000 photo and a %dx%d template in %s\n", CanvasSize(PaperW, PaperH).width(),
                CanvasSize(PaperW, PaperH).height(), qPrintable(dir.path()));
    MakePhoto(dir.filePath(QStringLiteral("photo.jpg")));
    MakeTemplate(dir.filePath(QStringLiteral("template.png")));
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    const QString frame = dir.filePath(QStringLiteral("template.png"));

    std::vector<Contender> contenders;
    contenders.push_back({"vellora (in process)", dir.filePath(QStringLiteral("out_vellora.jpg")), {}, {}});
    contenders.back().job = [&, out = contenders.back().output] { return ComposeOnce(photo, frame, out); };
    contenders.push_back({"vellora (one process)", dir.filePath(QStringLiteral("out_once.jpg")), {}, {}});
    contenders.back().job = [&, out = contenders.back().output] {
        return Run(QCoreApplication::applicationFilePath(), {QStringLiteral("--once"), photo, frame, out});
    };
    contenders.push_back({"ImageMagick convert", dir.filePath(QStringLiteral("out_convert.jpg")), {}, {}});
    contenders.back().job = [&, out = contenders.back().output] { return ImageMagickJob(dir, out); };
    contenders.push_back({"libvips vips", dir.filePath(QStringLiteral("out_vips.jpg")), {}, {}});
    contenders.back().job = [&, out = contenders.back().output] { return VipsJob(dir, out); };

    // Interleaved runs, so a busy moment of the machine hits every contender alike.
    for (int run = 0; run < runs; ++run) {
        for (Contender &c : contenders) {
            QElapsedTimer timer;
            timer.start();
            if (!c.job())
                return 1;
            c.times.push_back(timer.nsecsElapsed() / 1e6);
        }
    }

    std::printf("median of %d runs, 6000x4000 JPEG into a 152x102 mm 32-bit PNG template, scale 0.5, label, quality 100\n",
                runs);
    const double ours = Median(contenders[0].times);
    const double oursProcess = Median(contenders[1].times);
    for (const Contender &c : contenders) {
        const double median = Median(c.times);
        std::printf("  %-22s %8.1f ms", c.name, median);
        if (&c != &contenders[0] && &c != &contenders[1])
            std::printf("   in process / this = %.2f   one process / this = %.2f", ours / median, oursProcess / median);
        std::printf("\n");
    }
    std::printf("output size and colours at (1000,800) (60,60) (1500,1600) (1440,1920):\n");
    PrintGeometry(contenders);
    return 0;
}
