// Saves a picture of the main window showing the system settings page:
//   settings_screenshot OUT.png [WIDTH HEIGHT]
// Run it in a scratch program folder, on the offscreen platform or under Xvfb.
#include "CVelloraDlg.h"

#include <QApplication>
#include <QPixmap>
#include <QTabWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int width = argc > 3 ? QString::fromUtf8(argv[2]).toInt() : 1366;
    const int height = argc > 3 ? QString::fromUtf8(argv[3]).toInt() : 768;

    CVelloraDlg window([] {});
    window.setWindowState(Qt::WindowNoState);
    window.resize(width, height);
    window.show();
    window.Tabs()->setCurrentIndex(1);
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
