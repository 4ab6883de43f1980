// Times the combination picture: four 6000 x 4000 JPEG shots laid into a
// four-window 152 x 102 mm PNG frame template at quality 100, as a whole
// process (template read, analysed, shots composed, picture saved), side by
// side with libvips doing the same job with the same geometry as one
// pipeline in one process (VipsGridAnchor, against libvips' C API). Both
// halve the chroma. Prints the median wall time, processor time and peak
// memory of each.
//
//   GridBench [--runs N] [--keep DIR]
//   GridBench --once TEMPLATE OUT SHOT...   one composition

#include "bench/BenchProcess.h"
#include "compose/GridComposition.h"
#include "compose/ImageFiles.h"
#include "compose/SinglePhoto.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int Quality = 100;
constexpr int Shots = 4;

bool ComposeOnce(const QString &templatePath, const QString &output, const QStringList &shotPaths)
{
    std::optional<GridTemplate> grid = GridTemplate::Analyse(LoadFrameTemplate(templatePath.toStdString()), shotPaths.size());
    if (!grid)
        return false;
    std::vector<std::filesystem::path> shots;
    for (const QString &shot : shotPaths)
        shots.push_back(shot.toStdString());
    return ComposeGrid(std::move(*grid), shots, Quality, output.toStdString());
}

// A coloured frame of the canvas' size with two bands of two windows.
void MakeTemplate(const QString &path)
{
    const QSize canvas = CanvasSize(152, 102);
    QImage frame(canvas, QImage::Format_ARGB32);
    frame.fill(QColor(40, 120, 200));
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const int margin = 60;
    const int w = (canvas.width() - 3 * margin) / 2, h = (canvas.height() - 3 * margin) / 2;
    for (int band = 0; band < 2; ++band)
        for (int i = 0; i < 2; ++i)
            painter.fillRect(QRect(margin + i * (w + margin), margin + band * (h + margin), w, h), Qt::transparent);
    painter.end();
    frame.save(path, "png");
}

#ifdef VIPS_ANCHOR
// The anchor's arguments: every shot with the drawn size and corner the
// program gives it.
QStringList VipsArguments(const QString &templatePath, const QString &output, const QStringList &shots)
{
    const std::optional<GridTemplate> grid = GridTemplate::Analyse(LoadFrameTemplate(templatePath.toStdString()), Shots);
    QStringList arguments{templatePath, output, QString::number(Quality)};
    for (int i = 0; grid && i < shots.size(); ++i) {
        const GridPlacement placement = PlaceShot(PhotoSize(shots[i].toStdString()), GridWindow(grid->cells()[i]));
        arguments << shots[i] << QString::number(placement.drawn.width()) << QString::number(placement.drawn.height())
                  << QString::number(placement.corner.x()) << QString::number(placement.corner.y());
    }
    return arguments;
}
#endif

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 5 && args[1] == QStringLiteral("--once"))
        return ComposeOnce(args[2], args[3], args.mid(4)) ? 0 : 1;

    int runs = 5;
    QString keep;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QStringLiteral("--keep"))
            keep = args[++i];
    }
    QTemporaryDir temporary;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    QDir().mkpath(dir.path());
    std::printf("generating four 6000x4000 shots and a four-window template in %s\n", qPrintable(dir.path()));
    const QString frame = dir.filePath(QStringLiteral("template.png"));
    MakeTemplate(frame);
    QStringList shots;
    for (int i = 0; i < Shots; ++i) {
        shots << dir.filePath(QStringLiteral("shot%1.jpg").arg(i));
        MakeDetailedPhoto(shots.back(), {6000, 4000}, 42 + i);
    }

    struct Contender
    {
        const char *name;
        QString program;
        QStringList arguments;
        std::vector<double> times, cpu, peaks;
    };
    std::vector<Contender> contenders;
    contenders.push_back({"vellora (one process)", QCoreApplication::applicationFilePath(),
                          QStringList{QStringLiteral("--once"), frame, dir.filePath(QStringLiteral("out_vellora.jpg"))} + shots,
                          {}, {}, {}});
#ifdef VIPS_ANCHOR
    contenders.push_back({"libvips (one pipeline)", QStringLiteral(VIPS_ANCHOR),
                          VipsArguments(frame, dir.filePath(QStringLiteral("out_vips.jpg")), shots), {}, {}, {}});
#endif
    // Interleaved runs, so a busy moment of the machine hits both alike.
    for (int run = 0; run < runs; ++run) {
        for (Contender &c : contenders) {
            const Measured measured = RunMeasured(c.program, c.arguments);
            if (!measured.ok)
                return 1;
            c.times.push_back(measured.ms);
            c.cpu.push_back(measured.cpuMs);
            c.peaks.push_back(measured.peakMb);
        }
    }
    std::printf("median of %d runs, whole processes: four 6000x4000 JPEGs into a 2872x1927 four-window PNG template, "
                "quality 100\n",
                runs);
    const double oursMs = Median(contenders[0].times);
    for (const Contender &c : contenders) {
        const double median = Median(c.times);
        std::printf("  %-24s %8.1f ms wall %7.1f ms cpu %7.1f MB peak", c.name, median, Median(c.cpu), Median(c.peaks));
        if (&c != &contenders[0])
            std::printf("   vellora / this: wall %.2f", oursMs / median);
        std::printf("\n");
    }
    return 0;
}
