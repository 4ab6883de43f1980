// Saves a picture of the frame template settings dialog with a template, a
// sample photo and the sample label:
//   template_dialog_screenshot OUT.png
// It makes its own template and photo in a scratch program folder; run it on
// the offscreen platform or under Xvfb.
#include "compose/ui/DlgTemplateSet.h"

#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QTest>

namespace {

void SaveTemplate(const QString &path)
{
    QImage frame(1800, 1200, QImage::Format_ARGB32);
    QPainter painter(&frame);
    QLinearGradient paper(0, 0, 1800, 1200);
    paper.setColorAt(0, QColor(250, 236, 210));
    paper.setColorAt(1, QColor(214, 170, 120));
    painter.fillRect(frame.rect(), paper);
    painter.setPen(QPen(QColor(120, 70, 30), 14));
    painter.drawRect(QRect(60, 60, 1680, 1080));
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(QRect(200, 100, 800, 601), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(110);
    font.setItalic(true);
    painter.setFont(font);
    painter.setPen(QColor(120, 70, 30));
    painter.drawText(QRect(1060, 200, 640, 500), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Summer\nGala\n2024"));
    painter.end();
    frame.save(path, "PNG");
}

void SaveSample(const QString &path)
{
    QImage photo(3000, 2000, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 0, 2000);
    sky.setColorAt(0, QColor(70, 130, 210));
    sky.setColorAt(0.6, QColor(250, 200, 150));
    sky.setColorAt(0.61, QColor(60, 120, 70));
    sky.setColorAt(1, QColor(30, 80, 40));
    painter.fillRect(photo.rect(), sky);
    QRadialGradient sun(QPointF(2100, 700), 300);
    sun.setColorAt(0, QColor(255, 250, 220));
    sun.setColorAt(1, QColor(255, 180, 80, 0));
    painter.setBrush(sun);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(2100, 700), 300, 300);
    painter.setBrush(QColor(40, 40, 60));
    painter.drawEllipse(QRectF(700, 650, 260, 260));   // two guests
    painter.drawRoundedRect(QRectF(620, 900, 420, 900), 120, 120);
    painter.drawEllipse(QRectF(1250, 600, 260, 260));
    painter.drawRoundedRect(QRectF(1170, 850, 420, 950), 120, 120);
    painter.end();
    photo.save(path, "jpeg", 90);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString out = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    QDir().mkdir(QStringLiteral("Config"));
    SaveTemplate(QStringLiteral("frame.png"));
    SaveSample(QStringLiteral("sample.jpg"));

    TemplateSettings settings;
    settings.TextSize = 13;
    settings.TextColor = 0xFFFFFF;
    settings.TextBgColor = 0x1E4678;
    settings.LeftRec = 40;
    settings.TopRec = 20;
    settings.TextLeftMargin = 60;
    settings.TextTopMargin = 330;
    CurrentTemplateSettings.Set(settings);

    DlgTemplateSet dialog("frame.png", ".", 152, 102);
    dialog.show();
    if (!QTest::qWaitFor([&] { return dialog.ImagesReady() && dialog.LabelPlaced(); }))
        return 1;
    dialog.ChooseSamplePhoto("sample.jpg");
    if (!QTest::qWaitFor([&] { return dialog.ImagesReady(); }))
        return 1;
    QTest::qWait(300);
    return dialog.grab().save(out, "PNG") ? 0 : 1;
}
