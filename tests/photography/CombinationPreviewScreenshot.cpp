// Saves a picture of the combination preview for the README:
//   combination_preview_screenshot OUT.png
// Run it in a scratch program folder: it lays two shots of the simulated
// camera into a two-window frame and shows the preview of the result.
#include "camera/sdk/SimulatedCamera.h"
#include "compose/GridComposition.h"
#include "compose/ImageFiles.h"
#include "photography/ui/CombinationPreviewdlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QDir().mkpath(QStringLiteral("CombinationTempPicture"));
    std::vector<std::filesystem::path> shots;
    for (int shot = 1; shot <= 2; ++shot) {
        const QString path = QStringLiteral("IMG_%1.JPG").arg(shot, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(SimulatedCamera::shotBytes(shot)) < 0)
            return 1;
        shots.push_back(path.toStdString());
    }
    // A 152 x 102 mm frame: a warm border and two portrait windows side by side.
    QImage frame(2872, 1927, QImage::Format_ARGB32);
    frame.fill(QColor(236, 226, 208));
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(120, 120, 1256, 1560), Qt::transparent);
    painter.fillRect(QRect(1496, 120, 1256, 1560), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QColor(120, 90, 60));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(110);
    painter.setFont(font);
    painter.drawText(QRect(0, 1700, 2872, 200), Qt::AlignCenter, QStringLiteral("Vellora · 2026"));
    painter.end();
    std::optional<GridTemplate> grid = GridTemplate::Analyse(frame, 2);
    if (!grid || !ComposeGrid(std::move(*grid), shots, 90))
        return 1;

    CombinationPreviewdlg preview(LoadPhoto(GridOutputPath()), QString());
    preview.setWindowState(Qt::WindowNoState);
    preview.setGeometry(0, 0, 1366, 768);
    preview.show();
    preview.onTimer1();
    QTest::qWait(300);
    return preview.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
