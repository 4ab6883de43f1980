// Saves a picture of the archive's please-wait window part way through:
//   archive_screenshot OUT.png [WIDTH HEIGHT]
// The counts are fixed (420 of 1000 photos archived), so the picture does
// not depend on a program folder. Run it on the offscreen platform or under Xvfb.
#include "settings/ui/dialogMask.h"

#include <QApplication>
#include <QPixmap>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int width = argc > 3 ? QString::fromUtf8(argv[2]).toInt() : 1024;
    const int height = argc > 3 ? QString::fromUtf8(argv[3]).toInt() : 576;

    dialogMask mask(nullptr);
    mask.setWindowTitle(QStringLiteral("Vellora"));
    mask.SetText(QStringLiteral("正在照片归档操作，请耐心等待，期间不要关闭软件....."));
    mask.resize(width, height);
    mask.show();
    mask.Follow([] { return ArchiveProgress{1000, 420, 0, false}; });
    QTest::qWait(400);
    return mask.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
