// Live view in the camera window: frames shown per second and the
// user-interface thread's time per frame, with the simulated camera
// delivering 960 x 640 and 1920 x 1280 frames as fast as they are asked for.
// Each frame is decoded, stretched and overlaid on the command processor's
// thread; the window's thread only takes the finished picture and paints it.
// Usage: LiveViewBench [SECONDS [WINDOW_WIDTH WINDOW_HEIGHT]]   (5 s, 1920 x 1080 by default)
// Goals: at least 30 frames per second and at most 4 ms of the window's
// thread per frame, at both frame sizes.

#include "camera/CameraController.h"
#include "camera/CameraSession.h"
#include "camera/ShotFiling.h"
#include "camera/sdk/SimulatedCamera.h"
#include "camera/ui/CEVFPictureBox.h"
#include "camera/ui/CameraShootDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>

namespace {

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Result
{
    double framesPerSecond;
    double uiMillisecondsPerFrame;
    double fetchesPerSecond;
};

Result Measure(QSize frameSize, QSize windowSize, int seconds)
{
    auto sdk = std::make_unique<SimulatedCamera>();
    SimulatedCamera &camera = *sdk;
    camera.setLiveViewSize(frameSize.width(), frameSize.height());
    std::unique_ptr<CameraSession> session = CameraSession::connect(std::move(sdk), {});
    if (!session)
        return {};
    CameraShootDlg window(*session);
    window.show();
    window.setWindowState(Qt::WindowNoState);
    window.resize(windowSize);
    CEVFPictureBox &picture = *window.picture();
    qobject_cast<QPushButton *>(window.control(CameraShootDlg::kStart))->click();
    // The simulated camera draws each of its thirty frames once: let it.
    if (!QTest::qWaitFor([&] { return camera.callCount("fetchLiveViewFrame") > 40; }, 60000))
        return {};

    const int shownBefore = picture.framesShown();
    const int fetchesBefore = camera.callCount("fetchLiveViewFrame");
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(seconds * 1000);
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double wall = double(clock.elapsed()) / 1000;
    const int shown = picture.framesShown() - shownBefore;
    const int fetches = camera.callCount("fetchLiveViewFrame") - fetchesBefore;
    window.close();
    LiveViewOn = false;
    return {shown / wall, shown ? cpu * 1000 / shown : 0, fetches / wall};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QSize windowSize = argc > 3 ? QSize(std::atoi(argv[2]), std::atoi(argv[3])) : QSize(1920, 1080);
    QTemporaryDir folder;
    std::filesystem::current_path(folder.path().toStdString());

    std::printf("window %d x %d (picture %d x %d), %d s per size\n", windowSize.width(), windowSize.height(),
                windowSize.width() - 200, windowSize.height(), seconds);
    std::printf("%-12s %14s %14s %18s\n", "frames", "fetched/s", "shown/s", "UI ms per frame");
    bool met = true;
    for (const QSize size : {QSize(960, 640), QSize(1920, 1280)}) {
        const Result result = Measure(size, windowSize, seconds);
        std::printf("%4d x %-5d %14.1f %14.1f %18.2f\n", size.width(), size.height(), result.fetchesPerSecond,
                    result.framesPerSecond, result.uiMillisecondsPerFrame);
        met = met && result.framesPerSecond >= 30 && result.uiMillisecondsPerFrame <= 4;
    }
    std::printf("%s\n", met ? "goals met" : "goals NOT met");
    return met ? 0 : 1;
}
