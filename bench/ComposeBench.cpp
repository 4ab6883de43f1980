// Times the single-photo composition of a 6000 x 4000 JPEG into a
// 152 x 102 mm 32-bit PNG frame template (scale 0.5, label on, quality 100)
// as a whole process, side by side with the same job and output geometry
// done by libvips as one pipeline in one process (VipsComposeAnchor, against
// libvips' C API), by Pillow with draft decoding, by ImageMagick with a JPEG
// size hint, and the floor of any such program: djpeg -scale 1/2 of the photo
// plus cjpeg -quality 100 of the composed picture. Every contender halves
// the chroma of its JPEG. Prints the median wall time, processor time (user
// and system, all threads) and peak memory of each.
//
//   ComposeBench [--runs N] [--keep DIR]          side by side (inputs are generated)
//   ComposeBench --once PHOTO TEMPLATE OUT [SCALE [WxH]] one composition, for /usr/bin/time -v
//                                                  (WxH: another paper in mm, e.g. 99999x99999, refused at once)
//   ComposeBench --memory [DIR]                    peak memory of a 100 MP photo at scale 0.7
//   ComposeBench --steady PHOTO TEMPLATE DIR COUNT COUNT copies of the photo composed one after
//                                                  the other in one process; each one's wall
//                                                  and processor time (all threads), in ms,
//                                                  one photo a line, into DIR/steady.txt
//
// The side by side run also times the steady state: 20 photos composed one
// after the other in one process with the same template, the median per
// photo beside the whole process's figure, as an event's stream of photos
// goes through the running program.
//
// VELLORA_CONVERT, VELLORA_PYTHON, VELLORA_DJPEG and VELLORA_CJPEG override
// the tools' paths (defaults /usr/bin/convert, /usr/bin/python3, djpeg, cjpeg);
// VELLORA_COMPOSE names another build's ComposeBench to time instead of this
// one (for a before and after).

#include "bench/BenchProcess.h"
#include "compose/ImageFiles.h"
#include "compose/PictureNumber.h"
#include "compose/SinglePhoto.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>


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

bool ComposeOnce(const QString &photoPath, const QString &templatePath, const QString &outputPath, float scale = 0.5f,
                 QSize paper = QSize(PaperW, PaperH))
{
    TemplateSettings settings = BenchSettings();
    settings.Proportion = scale;
    CompositionInputs inputs = OpenCompositionInputs(photoPath.toStdString(), templatePath.toStdString(), settings,
                                                     CanvasSize(paper.width(), paper.height()));
    if (!inputs.photo || inputs.frameTemplate.isNull())
        return false;
    QImage output;
    return ComposeSinglePhoto(*inputs.photo, inputs.frameTemplate, output, outputPath.toStdString(), PhotoName, settings,
                              paper.width(), paper.height(), Quality);
}

QSize PaperArgument(const QString &text)
{
    const QStringList sides = text.split(u'x');
    return sides.size() == 2 ? QSize(sides[0].toInt(), sides[1].toInt()) : QSize(PaperW, PaperH);
}

constexpr int SteadyPhotos = 20;

// Processor time of this process so far, all threads, in ms.
double ProcessorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// An event's stream of photos in one process: COUNT copies of the photo (a
// card of like photos) composed in turn with the same template, each timed.
int ComposeSteadily(const QString &photo, const QString &templatePath, const QDir &dir, int count)
{
    std::vector<QString> photos;
    for (int i = 0; i < count; ++i) {
        photos.push_back(dir.filePath(QStringLiteral("steady_%1.jpg").arg(i)));
        QFile::remove(photos.back());
        if (!QFile::copy(photo, photos.back()))
            return 1;
    }
    QFile times(dir.filePath(QStringLiteral("steady.txt")));
    if (!times.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = ProcessorMs();
        if (!ComposeOnce(photos[std::size_t(i)], templatePath, dir.filePath(QStringLiteral("steady_out.jpg"))))
            return 1;
        times.write(QByteArray::number(timer.nsecsElapsed() / 1e6) + ' ' + QByteArray::number(ProcessorMs() - cpu)
                    + '\n');
    }
    for (const QString &copy : photos)
        QFile::remove(copy);
    return 0;
}

// The per-photo wall times the last --steady run wrote, and its processor times.
std::vector<double> SteadyTimes(const QDir &dir, std::vector<double> &cpu)
{
    std::vector<double> times;
    QFile file(dir.filePath(QStringLiteral("steady.txt")));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() == 2) {
                times.push_back(fields[0].toDouble());
                cpu.push_back(fields[1].toDouble());
            }
        }
    }
    return times;
}

QString Tool(const char *variable, const char *fallback)
{
    return qEnvironmentVariable(variable, QString::fromLatin1(fallback));
}

QString Size(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// The job's geometry: the photo at half size at (5, 5), the label " 1234" at
// (5, 5) in black on white, 38 pixels high.
constexpr int Corner = 5;
const QSize HalfPhoto(3000, 2000);

Measured ImageMagickJob(const QDir &dir, const QString &output)
{
    return RunMeasured(
        Tool("VELLORA_CONVERT", "/usr/bin/convert"),
        {QStringLiteral("-size"), Size(CanvasSize(PaperW, PaperH)), QStringLiteral("xc:white"), QStringLiteral("("),
         QStringLiteral("-define"), QStringLiteral("jpeg:size=") + Size(HalfPhoto), dir.filePath(QStringLiteral("photo.jpg")),
         QStringLiteral("-resize"), Size(HalfPhoto) + QLatin1Char('!'), QStringLiteral(")"), QStringLiteral("-geometry"),
         QStringLiteral("+5+5"), QStringLiteral("-composite"), dir.filePath(QStringLiteral("template.png")),
         QStringLiteral("-composite"), QStringLiteral("-font"), QStringLiteral("Liberation-Sans-Italic"),
         QStringLiteral("-pointsize"), QStringLiteral("34"), QStringLiteral("-fill"), QStringLiteral("black"),
         QStringLiteral("-undercolor"), QStringLiteral("white"), QStringLiteral("-annotate"), QStringLiteral("+5+36"),
         QStringLiteral(" 1234"), QStringLiteral("-sampling-factor"), QStringLiteral("2x2"), QStringLiteral("-quality"),
         QString::number(Quality), output});
}

#ifdef VIPS_ANCHOR
Measured VipsJob(const QDir &dir, const QString &output)
{
    const QSize canvas = CanvasSize(PaperW, PaperH);
    return RunMeasured(QStringLiteral(VIPS_ANCHOR),
                       {dir.filePath(QStringLiteral("photo.jpg")), dir.filePath(QStringLiteral("template.png")), output,
                        QString::number(canvas.width()), QString::number(canvas.height()), QStringLiteral("2"),
                        QString::number(Corner), QString::number(Corner), QString::number(Quality)});
}
#endif

// How a Python photo booth composes: Pillow, the decoder told the size it needs.
const char *const PillowScript = R"(
import sys
from PIL import Image, ImageDraw, ImageFont
photo, frame, out, cw, ch, hw, hh, q = sys.argv[1:]
cw, ch, hw, hh, q = int(cw), int(ch), int(hw), int(hh), int(q)
im = Image.open(photo)
im.draft('RGB', (hw, hh))
im = im.convert('RGB')
if im.size != (hw, hh):
    im = im.resize((hw, hh), Image.BOX)
canvas = Image.new('RGB', (cw, ch), 'white')
canvas.paste(im, (5, 5))
t = Image.open(frame).convert('RGBA')
canvas.paste(t, (0, 0), t)
font = ImageFont.truetype('/usr/share/fonts/truetype/liberation/LiberationSans-Italic.ttf', 34)
draw = ImageDraw.Draw(canvas)
draw.rectangle(draw.textbbox((5, 5), ' 1234', font=font), fill='white')
draw.text((5, 5), ' 1234', font=font, fill='black')
canvas.save(out, quality=q, subsampling=2)
)";

Measured PillowJob(const QDir &dir, const QString &output)
{
    const QSize canvas = CanvasSize(PaperW, PaperH);
    return RunMeasured(Tool("VELLORA_PYTHON", "/usr/bin/python3"),
                       {QStringLiteral("-c"), QString::fromLatin1(PillowScript), dir.filePath(QStringLiteral("photo.jpg")),
                        dir.filePath(QStringLiteral("template.png")), output, QString::number(canvas.width()),
                        QString::number(canvas.height()), QString::number(HalfPhoto.width()),
                        QString::number(HalfPhoto.height()), QString::number(Quality)});
}

// The least any program must do: decode the photo at half size, encode the
// composed picture (taken here from ours, as a PPM made beforehand).
Measured FloorJob(const QDir &dir, const QString &output)
{
    const Measured decode =
        RunMeasured(Tool("VELLORA_DJPEG", "djpeg"), {QStringLiteral("-scale"), QStringLiteral("1/2"), QStringLiteral("-outfile"),
                                                     dir.filePath(QStringLiteral("half.ppm")), dir.filePath(QStringLiteral("photo.jpg"))});
    const Measured encode = RunMeasured(Tool("VELLORA_CJPEG", "cjpeg"),
                                        {QStringLiteral("-quality"), QString::number(Quality), QStringLiteral("-outfile"), output,
                                         dir.filePath(QStringLiteral("canvas.ppm"))});
    return {decode.ok && encode.ok, decode.ms + encode.ms, std::max(decode.peakMb, encode.peakMb),
            decode.cpuMs + encode.cpuMs};
}

struct Contender
{
    const char *name;
    QString output;
    std::function<Measured()> job;
    std::vector<double> times;
    std::vector<double> peaks;
    std::vector<double> cpu;
};

// A few points of every output: inside the photo, in the frame, in the
// half-transparent band and outside the canvas edge of the photo.
void PrintGeometry(const std::vector<Contender> &contenders)
{
    const QPoint probes[] = {{1000, 800}, {60, 60}, {1500, 1600}, {2880 / 2, 1920}};
    for (const Contender &c : contenders) {
        const QImage image(c.output);
        std::printf("  %-24s %dx%d", c.name, image.width(), image.height());
        for (const QPoint p : probes)
            std::printf("  %s", qPrintable(image.pixelColor(p.x(), std::min(p.y(), image.height() - 1)).name()));
        std::printf("\n");
    }
}

// A 100 MP photo (11648 x 8736, what medium-format bodies write) composed at
// scale 0.7 in a process of its own: its peak memory against the 407 MB that
// a whole decode of it would take alone.
int MeasureLargePhoto(const QDir &dir)
{
    const QString photo = dir.filePath(QStringLiteral("100mp.jpg"));
    const QString frame = dir.filePath(QStringLiteral("template.png"));
    MakeTemplate(frame);
    std::printf("generating an 11648x8736 photo with ImageMagick in %s\n", qPrintable(dir.path()));
    if (!RunMeasured(Tool("VELLORA_CONVERT", "/usr/bin/convert"),
                     {QStringLiteral("-size"), QStringLiteral("11648x8736"), QStringLiteral("gradient:#c86428-#2864c8"),
                      QStringLiteral("-quality"), QStringLiteral("90"), photo})
             .ok)
        return 1;
    const Measured once = RunMeasured(QCoreApplication::applicationFilePath(),
                                      {QStringLiteral("--once"), photo, frame, dir.filePath(QStringLiteral("out.jpg")),
                                       QStringLiteral("0.7")});
    std::printf("100 MP photo at scale 0.7: %.0f ms, peak memory %.1f MB (a whole decode alone: %.1f MB)\n", once.ms,
                once.peakMb, 11648.0 * 8736 * 4 / (1024 * 1024));
    return once.ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the label
    const QStringList args = app.arguments();
    if (args.size() >= 5 && args.size() <= 7 && args[1] == QStringLiteral("--once"))
        return ComposeOnce(args[2], args[3], args[4], args.size() >= 6 ? args[5].toFloat() : 0.5f,
                           args.size() == 7 ? PaperArgument(args[6]) : QSize(PaperW, PaperH))
            ? 0
            : 1;
    if (args.size() == 6 && args[1] == QStringLiteral("--steady"))
        return ComposeSteadily(args[2], args[3], QDir(args[4]), std::max(1, args[5].toInt()));

    int runs = 5;
    QString keep;
    bool memory = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--memory"))
            memory = true;
        else if (args[i] == QStringLiteral("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QStringLiteral("--keep") && i + 1 < args.size())
            keep = args[++i];
        else if (memory)
            keep = args[i];
    }
    QTemporaryDir temporary;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    QDir().mkpath(dir.path());
    if (memory)
        return MeasureLargePhoto(dir);

    std::printf("generating a 6000x4000 photo and a %s template in %s\n", qPrintable(Size(CanvasSize(PaperW, PaperH))),
                qPrintable(dir.path()));
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    const QString frame = dir.filePath(QStringLiteral("template.png"));
    MakeDetailedPhoto(photo, {6000, 4000});
    MakeTemplate(frame);
    // The floor encodes our composed picture: made once, untimed.
    const QString ours = dir.filePath(QStringLiteral("out_vellora.jpg"));
    if (!ComposeOnce(photo, frame, ours) || !QImage(ours).save(dir.filePath(QStringLiteral("canvas.ppm"))))
        return 1;

    std::vector<Contender> contenders;
    const auto add = [&](const char *name, const char *file, std::function<Measured(const QString &)> job) {
        const QString output = dir.filePath(QString::fromLatin1(file));
        contenders.push_back({name, output, [job, output] { return job(output); }, {}, {}, {}});
    };
    add("vellora (one process)", "out_vellora.jpg", [&](const QString &out) {
        return RunMeasured(qEnvironmentVariable("VELLORA_COMPOSE", QCoreApplication::applicationFilePath()),
                           {QStringLiteral("--once"), photo, frame, out});
    });
#ifdef VIPS_ANCHOR
    add("libvips (one pipeline)", "out_vips.jpg", [&](const QString &out) { return VipsJob(dir, out); });
#endif
    add("Pillow (draft)", "out_pillow.jpg", [&](const QString &out) { return PillowJob(dir, out); });
    add("ImageMagick (jpeg:size)", "out_convert.jpg", [&](const QString &out) { return ImageMagickJob(dir, out); });
    add("djpeg + cjpeg (floor)", "out_floor.jpg", [&](const QString &out) { return FloorJob(dir, out); });

    // Interleaved runs, so a busy moment of the machine hits every contender
    // alike; each run ends with a steady stream of photos in one process.
    std::vector<double> steadyMedians;
    std::vector<double> steadyCpuMedians;
    Contender stream{"vellora (20 in one process)", QString(), nullptr, {}, {}, {}};
    for (int run = 0; run < runs; ++run) {
        for (Contender &c : contenders) {
            const Measured measured = c.job();
            if (!measured.ok)
                return 1;
            c.times.push_back(measured.ms);
            c.peaks.push_back(measured.peakMb);
            c.cpu.push_back(measured.cpuMs);
        }
        const Measured steady =
            RunMeasured(qEnvironmentVariable("VELLORA_COMPOSE", QCoreApplication::applicationFilePath()),
                        {QStringLiteral("--steady"), photo, frame, dir.path(), QString::number(SteadyPhotos)});
        std::vector<double> cpu;
        const std::vector<double> times = SteadyTimes(dir, cpu);
        if (!steady.ok || times.size() != std::size_t(SteadyPhotos))
            return 1;
        steadyMedians.push_back(Median(times));
        steadyCpuMedians.push_back(Median(cpu));
        stream.times.push_back(steady.ms);
        stream.peaks.push_back(steady.peakMb);
        stream.cpu.push_back(steady.cpuMs);
    }

    std::printf("median of %d runs, whole processes: 6000x4000 JPEG into a 152x102 mm 32-bit PNG template, scale 0.5, "
                "label, quality 100\n",
                runs);
    const double oursMs = Median(contenders[0].times);
    const double oursCpu = Median(contenders[0].cpu);
    for (const Contender &c : contenders) {
        const double median = Median(c.times);
        std::printf("  %-24s %8.1f ms wall %7.1f ms cpu %7.1f MB peak", c.name, median, Median(c.cpu), Median(c.peaks));
        if (&c != &contenders[0])
            std::printf("   vellora / this: wall %.2f, cpu %.2f", oursMs / median, oursCpu / Median(c.cpu));
        std::printf("\n");
    }
    const double steadyMs = Median(steadyMedians);
    const double floorMs = Median(contenders.back().times);
    std::printf("steady state, %d photos composed one after the other in one process with the same template:\n"
                "  median per photo %.1f ms wall %.1f ms cpu (whole process %.1f ms wall %.1f ms cpu %.1f MB peak)\n"
                "  per photo / floor's wall: %.2f\n",
                SteadyPhotos, steadyMs, Median(steadyCpuMedians), Median(stream.times), Median(stream.cpu),
                Median(stream.peaks), steadyMs / floorMs);
    std::printf("output size and colours at (1000,800) (60,60) (1500,1600) (1440,1920):\n");
    PrintGeometry(contenders);
    return 0;
}
