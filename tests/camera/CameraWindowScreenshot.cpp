// Saves a picture of the camera window with live view running on the
// simulated camera, its zoom rectangle and focus points drawn over the frame:
//   camera_window_screenshot OUT.png [WIDTH HEIGHT [idle]]
// "idle" shows the window before live view starts.
// Run it in a scratch folder, on the offscreen platform or under Xvfb.
#include "camera/CameraSession.h"
#include "camera/ShotFiling.h"
#include "camera/sdk/SimulatedCamera.h"
#include "camera/ui/CEVFPictureBox.h"
#include "camera/ui/CameraShootDlg.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QSize size = argc > 3 ? QSize(std::atoi(argv[2]), std::atoi(argv[3])) : QSize(1100, 560);
    auto sdk = std::make_unique<SimulatedCamera>();
    sdk->setLiveViewSize(900, 600);
    std::unique_ptr<CameraSession> session = CameraSession::connect(std::move(sdk), {});
    if (!session)
        return 1;
    CameraShootDlg window(*session);
    window.show();
    window.setWindowState(Qt::WindowNoState);
    window.resize(size);
    if (argc > 4 && QByteArray(argv[4]) == "idle") {
        QTest::qWait(200);
    } else {
        qobject_cast<QPushButton *>(window.control(CameraShootDlg::kStart))->click();
        // A few frames, so the focus points have been read too.
        if (!QTest::qWaitFor([&] { return window.picture()->framesShown() >= 12; }, 20000))
            return 1;
    }
    const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
    window.close();
    return saved ? 0 : 1;
}
