#include "camera/CameraController.h"
#include "camera/ShotFiling.h"
#include "camera/ui/CEVFPictureBox.h"
#include "platform/Pause.h"

#include "tests/camera/CameraWindowRig.h"
#include "tests/support/MessageBoxAnswer.h"

#include <gtest/gtest.h>

#include <QTest>

#include <sstream>

using namespace std::chrono_literals;

namespace {

enum class Ending { Disconnect, Escape, SwitchedOff };

std::string Name(Ending ending)
{
    return ending == Ending::Disconnect ? "disconnect" : ending == Ending::Escape ? "escape" : "switched_off";
}

class WindowEndings : public testing::TestWithParam<Ending>
{
protected:
    void SetUp() override { SetPauseScale(0.02); }
    void TearDown() override
    {
        SetPauseScale(1.0);
        LiveViewOn = false;
    }
};

// While frames flow, the window is disconnected, closed by Escape or loses
// its camera, fifty times in a row: every time the processor ends (and the
// window closes, but after a disconnect, where it stays), the camera
// session is closed once, and nothing hangs; the processor never waits for
// the window's thread while that thread waits for it.
TEST_P(WindowEndings, DuringLiveViewNeverHang)
{
    constexpr int kRounds = 50;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        HangGuard guard("a camera window ending during live view", 60s);
        WindowRig rig;
        ASSERT_TRUE(rig.window);
        CameraShootDlg &window = *rig.window;
        Processor &processor = rig.rig.session->controller().processor();
        rig.click(CameraShootDlg::kStart);
        ASSERT_TRUE(rig.waitForFrames(2));

        switch (GetParam()) {
        case Ending::Disconnect: {
            MessageBoxAnswer yes(QMessageBox::Yes);
            rig.click(CameraShootDlg::kDisconnect);
            EXPECT_FALSE(processor.inBody());
            EXPECT_TRUE(window.isVisible());
            window.close();
            break;
        }
        case Ending::Escape:
            QTest::keyClick(&window, Qt::Key_Escape);
            EXPECT_FALSE(processor.inBody());
            break;
        case Ending::SwitchedOff:
            rig.rig.camera->switchOff();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));
            break;
        }
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(processor.inBody());
        EXPECT_FALSE(rig.rig.camera->started()) << "the library is stopped with the window";
        EXPECT_EQ(rig.rig.camera->callCount("closeSession"), 1);
        EXPECT_EQ(rig.rig.camera->liveObjects(), 0);
        EXPECT_FALSE(LiveViewOn) << "no live view runs once the window is gone";
        if (HasFailure())
            return;
    }
}

INSTANTIATE_TEST_SUITE_P(CameraWindow, WindowEndings, testing::Values(Ending::Disconnect, Ending::Escape, Ending::SwitchedOff),
                         [](const testing::TestParamInfo<Ending> &info) { return Name(info.param); });

} // namespace
