#include "desk/ProcessState.h"
#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/CameraSession.h"
#include "camera/ShotFiling.h"
#include "camera/sdk/SimulatedCamera.h"
#include "intake/PrintManager.h"
#include "tests/camera/CameraTestSupport.h"
#include "tests/intake/PrintingWindow.h"
#include "tests/support/Eventually.h"

#include <QFile>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using CameraPrinting = PrintingWindow;

// The camera as a tethered camera: with live view off, a shot it takes goes
// into the print manager's source folder and is composed and printed like
// any photo that arrives there.
TEST_F(CameraPrinting, ShotWithLiveViewOffIsPrinted)
{
    OpenWindow();
    CheckPrinter();
    ASSERT_EVENTUALLY(PrintedListReady, 10000);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);

    const std::filesystem::path source = Page().Manager().SourceFolder().toStdString();
    ShotFiling filing{[source] { return source; }, [](const std::filesystem::path &) { ADD_FAILURE() << "no review with live view off"; }};
    auto camera = std::make_unique<SimulatedCamera>();
    SimulatedCamera &simulated = *camera;
    auto session = CameraSession::connect(std::move(camera), filing);
    ASSERT_TRUE(session);
    RecordingObserver events;
    session->model().attach(&events);
    session->open();
    Raise(session->controller(), "TakePicture");
    ASSERT_TRUE(events.waitFor("DownloadComplete", 1, 0));

    // Taken in by the watcher, kept as received, composed, printed.
    ASSERT_EVENTUALLY(Files("Pic_S").contains(QStringLiteral("IMG_0001.JPG")), 30000);
    QFile kept(QStringLiteral("Pic_S/IMG_0001.JPG"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), SimulatedCamera::shotBytes(1));
    ASSERT_EVENTUALLY(!m_cups.ReceivedJobs().empty(), 40000);
    EXPECT_EQ(m_cups.ReceivedJobs()[0].title.toStdString(), "0001.JPG");
    EXPECT_EQ(Files("Pic_R"), QStringList({"0001.JPG"}));

    EXPECT_TRUE(session->close());
    EXPECT_EQ(simulated.callCount("closeSession"), 1);
}

} // namespace
