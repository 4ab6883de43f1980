// Saves a picture of the shot review for the README:
//   shot_review_screenshot OUT.png
// Run it in a scratch program folder: it fills TempPicture with three shots
// of the simulated camera and shows the review of the last one.
#include "camera/sdk/SimulatedCamera.h"
#include "photography/ui/TakePicturePreviewDlg.h"
#include "platform/Pause.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    SetPauseScale(0.05);
    QDir().mkpath(QStringLiteral("TempPicture"));
    for (int shot = 1; shot <= 3; ++shot) {
        QFile file(QStringLiteral("TempPicture/IMG_%1.JPG").arg(shot, 4, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(SimulatedCamera::shotBytes(shot)) < 0)
            return 1;
    }
    TakePicturePreviewDlg review(QDir::current().absoluteFilePath(QStringLiteral("TempPicture/IMG_0003.JPG")), QImage(),
                                 "TempPicture");
    review.setGeometry(0, 0, 1366, 768);
    review.show();
    if (!QTest::qWaitFor([&] { return review.scanFinished(); }, 10000))
        return 1;
    QTest::qWait(1200);
    return review.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
