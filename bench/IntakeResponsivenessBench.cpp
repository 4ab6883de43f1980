// How late the print manager page's one-second timer ticks while photos are
// composed and listed: the user-interface thread must never wait for image
// or disk work.
//   IntakeResponsivenessBench [PHOTOS]     (200 by default; about a second per photo)
// Runs the real main window offscreen in a temporary program folder, drops
// PHOTOS 3000 x 2000 JPEGs into its source folder, starts automatic printing
// (no printer checked, so nothing prints) and reports the worst and the mean
// lateness of PageTimer ticks until every photo is composed and listed.
#include "desk/ProcessState.h"
#include "app/CVelloraDlg.h"
#include "compose/TemplateSettings.h"
#include "intake/IntakeState.h"
#include "intake/PhotoQueue.h"
#include "intake/PrintManager.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "platform/Pause.h"
#include "platform/Profile.h"
#include "platform/Utf16File.h"
#include "tests/support/TimerLateness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

void PrepareProgramFolder(int photos)
{
    std::filesystem::create_directories("Config");
    std::filesystem::create_directories("in");
    QImage frame(2872, 1927, QImage::Format_ARGB32);
    frame.fill(QColor(30, 30, 120));
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(100, 100, 2672, 1727, Qt::transparent);
    painter.end();
    frame.save(QStringLiteral("frame.png"));

    QImage photo(3000, 2000, QImage::Format_RGB32);
    QPainter photoPainter(&photo);
    for (int x = 0; x < 3000; x += 20)
        photoPainter.fillRect(x, 0, 20, 2000, QColor::fromHsv(x % 360, 160, 220));
    photoPainter.end();
    for (int i = 0; i < photos; ++i)
        photo.save(QStringLiteral("in/IMG_%1.JPG").arg(i + 1, 4, 10, QLatin1Char('0')), "JPG", 90);

    const QString here = QDir::currentPath();
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"), here + "/in");
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Frame_File"), QStringLiteral("Code"), here + "/frame.png");
    Profile::Write(TemplateSettingsFile, TemplateSettingsSection(), QStringLiteral("Proportion"), QStringLiteral("0.5"));
    Utf16File::WriteText("Config/All_the_same.vellora", QStringLiteral("152\n102\n"));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int photos = argc > 1 ? std::max(1, QString::fromUtf8(argv[1]).toInt()) : 200;

    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    PrepareProgramFolder(photos);
    // The scans' fixed pauses (300 ms per file) would make a full folder take
    // minutes per photo; they are waits on worker threads, not work.
    SetPauseScale(0.01);

    CVelloraDlg window([] {});
    window.show();
    Scene_Print_Manager &page = window.PrintManagerPage();
    PhotoQueue &queue = page.Manager().Queue();

    const TimerLateness lateness(*page.PageTimer());

    QElapsedTimer total;
    total.start();
    while (!PrintedListReady)
        QTest::qWait(50);
    page.StartButton()->click();
    while (queue.Pending().rowCount() < photos && total.elapsed() < photos * 4000LL)
        QTest::qWait(100);

    const long long worst = lateness.Worst().count();
    std::printf("photos composed and listed: %d of %d in %.1f s\n", queue.Pending().rowCount(), photos,
                total.elapsed() / 1000.0);
    std::printf("PageTimer ticks: %zu, worst lateness %lld ms, mean %.1f ms\n", lateness.Ticks(), worst,
                lateness.Mean());
    std::fflush(stdout);
    // Workers are not waited for, as in the program; the photos go with the folder.
    folder.remove();
    std::_Exit(queue.Pending().rowCount() == photos && worst <= 100 ? 0 : 1);
}
