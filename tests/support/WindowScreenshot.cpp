// Saves a picture of the main window with one of its pages shown:
//   window_screenshot OUT.png TAB [WIDTH HEIGHT [SECONDS]]
// TAB is 0, 1 or 2; SECONDS lets the page's timers run first (the print
// manager page fills its lists from the program folder). Run it in a scratch
// program folder, on the offscreen platform or under Xvfb.
#include "app/CVelloraDlg.h"
#include "platform/Pause.h"

#include <QApplication>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const int tab = QString::fromUtf8(argv[2]).toInt();
    const int width = argc > 4 ? QString::fromUtf8(argv[3]).toInt() : 1366;
    const int height = argc > 4 ? QString::fromUtf8(argv[4]).toInt() : 768;
    const int seconds = argc > 5 ? QString::fromUtf8(argv[5]).toInt() : 0;
    SetPauseScale(0.05);

    CVelloraDlg window([] {});
    window.setWindowState(Qt::WindowNoState);
    window.resize(width, height);
    window.show();
    window.Tabs()->setCurrentIndex(tab);
    QTest::qWait(seconds * 1000 + 100);
    return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
