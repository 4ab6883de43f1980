#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/ShotFiling.h"
#include "camera/ui/CActionButton.h"
#include "camera/ui/CEVFPictureBox.h"
#include "camera/ui/CPropertyComboBox.h"
#include "platform/Pause.h"

#include "tests/camera/CameraWindowRig.h"
#include "tests/support/MessageBoxAnswer.h"

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

class CameraWindow : public testing::Test
{
protected:
    void SetUp() override { SetPauseScale(0.02); }
    void TearDown() override
    {
        SetPauseScale(1.0);
        LiveViewOn = false;
    }
};

// Focus points in an image of 8000 by 6000: in a window of 800 by 600
// each lands at a tenth of its place and size.
FocusPoint Point(std::uint32_t valid, std::uint32_t selected, std::uint32_t inFocus, int x, int y)
{
    FocusPoint point;
    point.valid = valid;
    point.selected = selected;
    point.inFocus = inFocus;
    point.rect = {x, y, 800, 600};
    return point;
}

void FourFocusPoints(SimulatedCamera &camera)
{
    FocusRecord record;
    record.image = {0, 0, 8000, 6000};
    record.pointCount = 4;
    record.points[0] = Point(1, 1, 1, 1000, 1000); // selected, in focus: green
    record.points[1] = Point(1, 1, 2, 3000, 1000); // selected, bit 0 clear: white
    record.points[2] = Point(1, 0, 1, 5000, 1000); // not selected: grey
    record.points[3] = Point(0, 1, 1, 1000, 4000); // not valid: not drawn
    camera.setFocusRecord(record);
}

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kGreen = 0x00FF00;
constexpr QRgb kGrey = 0x808080;
// The simulated camera's zoom rectangle (2600, 1700, 1200 by 800 of 6000 by 4000) in the window.
const QRect kZoomRect(346, 255, 506 - 346, 375 - 255);
const QRect kGreenPoint(100, 100, 80, 60);
const QRect kWhitePoint(300, 100, 80, 60);
const QRect kGreyPoint(500, 100, 80, 60);
const QRect kInvalidPoint(100, 400, 80, 60);

struct Overlay
{
    bool zoomRect;
    bool focusPoints;
};

// What the latest frame shows of the overlay; points all or nothing.
Overlay Drawn(const WindowRig &rig)
{
    const QImage picture = rig.window->picture()->shownFrame();
    EXPECT_EQ(picture.size(), QSize(800, 600));
    const bool points = OutlineShare(picture, kGreenPoint, kGreen) == 1.0;
    EXPECT_EQ(OutlineShare(picture, kWhitePoint, kWhite) == 1.0, points);
    EXPECT_EQ(OutlineShare(picture, kGreyPoint, kGrey) == 1.0, points);
    EXPECT_LT(OutlineShare(picture, kInvalidPoint, kGreen), 0.5) << "a point that is not valid is never drawn";
    return {OutlineShare(picture, kZoomRect, kWhite) == 1.0, points};
}

void RaiseAfMode(WindowRig &rig, std::uint32_t mode)
{
    rig.rig.camera->setProperty(kPropEvfAfMode, mode);
    rig.rig.camera->raisePropertyEvent(kEventPropertyChanged, kPropEvfAfMode);
}

// The live-view loop in the real window: frames are drawn with the zoom
// rectangle and the focus points where the camera puts them, only while
// the frame shows the whole picture in a known coordinate system; "END"
// stops the loop without one more frame asked of the camera.
TEST_F(CameraWindow, LiveViewDrawsFramesAndOverlay)
{
    WindowRig rig(FourFocusPoints);
    ASSERT_TRUE(rig.window);
    SimulatedCamera &camera = *rig.rig.camera;
    CEVFPictureBox &picture = *rig.window->picture();
    ASSERT_TRUE(rig.rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));

    rig.click(CameraShootDlg::kStart);
    EXPECT_TRUE(LiveViewOn);
    ASSERT_TRUE(rig.waitForFrames(3));
    EXPECT_TRUE(picture.isRunning());
    Overlay overlay = Drawn(rig);
    EXPECT_TRUE(overlay.zoomRect);
    EXPECT_TRUE(overlay.focusPoints);
    // What the window paints is the frame handed over.
    const QImage painted = picture.grab().toImage();
    EXPECT_EQ(painted.pixel(kZoomRect.topLeft()) | 0xFF000000, kWhite | 0xFF000000);
    EXPECT_EQ(painted.pixel(kGreenPoint.topLeft()) | 0xFF000000, kGreen | 0xFF000000);

    // Face tracking: no rectangle and no zoom; the points stay.
    RaiseAfMode(rig, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.window->control(CameraShootDlg::kZoom)->isEnabled(); }, 10000));
    ASSERT_TRUE(rig.waitForFrames(2));
    overlay = Drawn(rig);
    EXPECT_FALSE(overlay.zoomRect);
    EXPECT_TRUE(overlay.focusPoints);

    // Magnified five times: neither.
    RaiseAfMode(rig, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window->control(CameraShootDlg::kZoom)->isEnabled(); }, 10000));
    rig.click(CameraShootDlg::kZoom);
    ASSERT_TRUE(QTest::qWaitFor([&] { return camera.property(kPropEvfZoom) == kEvfZoomMagnified; }, 10000));
    ASSERT_TRUE(rig.waitForFrames(2));
    overlay = Drawn(rig);
    EXPECT_FALSE(overlay.zoomRect);
    EXPECT_FALSE(overlay.focusPoints);

    // The whole picture again, but without a coordinate system: the frame alone.
    camera.setLiveViewCoordinates({0, 0});
    rig.click(CameraShootDlg::kZoomFit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return camera.property(kPropEvfZoom) == kEvfZoomFit; }, 10000));
    ASSERT_TRUE(rig.waitForFrames(2));
    overlay = Drawn(rig);
    EXPECT_FALSE(overlay.zoomRect);
    EXPECT_FALSE(overlay.focusPoints);
    camera.setLiveViewCoordinates({6000, 4000});
    ASSERT_TRUE(rig.waitForFrames(2));
    EXPECT_TRUE(Drawn(rig).zoomRect) << "and back";

    rig.click(CameraShootDlg::kEnd);
    EXPECT_FALSE(LiveViewOn);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picture.isRunning(); }, 10000));
    const int fetches = camera.callCount("fetchLiveViewFrame");
    QTest::qWait(100);
    EXPECT_EQ(camera.callCount("fetchLiveViewFrame"), fetches) << "the loop has stopped";
    const std::vector<std::string> calls = camera.calls();
    const auto ended = std::find(calls.rbegin(), calls.rend(), "writeProperty 1280=0");
    ASSERT_NE(ended, calls.rend());
    EXPECT_EQ(std::find(calls.rbegin(), ended, "fetchLiveViewFrame"), ended)
        << "the fetch still queued when live view ended did not ask the camera";
    EXPECT_EQ(rig.rig.events.count("error"), 0);
    // The last frame, focus points and all, does not stay as if live.
    ASSERT_TRUE(QTest::qWaitFor([&] { return picture.shownFrame().isNull(); }, 5000));
    const QImage afterEnd = picture.grab().toImage();
    EXPECT_NE(afterEnd.pixel(kZoomRect.topLeft()) | 0xFF000000, kWhite | 0xFF000000);
    EXPECT_NE(afterEnd.pixel(kGreenPoint.topLeft()) | 0xFF000000, kGreen | 0xFF000000);
    // Minimised, the window keeps a title to be found by.
    EXPECT_FALSE(rig.window->windowTitle().isEmpty());
}

// "END" and at once "开始", both performed before the camera tells of
// either change: the loop ended by "END" starts again.
TEST_F(CameraWindow, EndThenStartAtOnceKeepsLiveViewMoving)
{
    WindowRig rig;
    ASSERT_TRUE(rig.window);
    SimulatedCamera &camera = *rig.rig.camera;
    ASSERT_TRUE(rig.rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));
    rig.click(CameraShootDlg::kStart);
    ASSERT_TRUE(rig.waitForFrames(2));

    camera.holdEvents(true);
    rig.click(CameraShootDlg::kEnd);
    rig.click(CameraShootDlg::kStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return camera.callCount("writeProperty 1280=2") >= 2; }, 10000));
    camera.holdEvents(false);
    EXPECT_TRUE(rig.waitForFrames(3)) << "live view stands still";
    EXPECT_TRUE(rig.window->picture()->isRunning());
    EXPECT_EQ(rig.rig.events.count("error"), 0);
}

// The controls of the window: which show, their texts and actions, the
// start and END swap, Enter doing nothing, minimising, and the layout.
TEST_F(CameraWindow, ControlsAndLayout)
{
    WindowRig rig;
    ASSERT_TRUE(rig.window);
    CameraShootDlg &window = *rig.window;
    struct Expected
    {
        int id;
        const char *text;
        bool shown;
        const char *action; // "" for the window's own buttons
    };
    const Expected controls[] = {
        {CameraShootDlg::kMinimise, "一", true, ""},
        {CameraShootDlg::kShoot, "拍照", true, ""},
        {CameraShootDlg::kStart, "开始", true, ""},
        {CameraShootDlg::kEnd, "END", false, ""},
        {CameraShootDlg::kDisconnect, "断开", false, ""},
        {CameraShootDlg::kTakePictureAction, "TakePicture", false, "TakePicture"},
        {CameraShootDlg::kStartEvfAction, "startEVF", false, "startEVF"},
        {CameraShootDlg::kEndEvfAction, "End EVF", false, "endEVF"},
        {CameraShootDlg::kFocusNear3, "<<<", false, "focus_Near3"},
        {CameraShootDlg::kFocusNear2, "<<", false, "focus_Near2"},
        {CameraShootDlg::kFocusNear1, "<", false, "focus_Near1"},
        {CameraShootDlg::kFocusFar1, ">", false, "focus_Far1"},
        {CameraShootDlg::kFocusFar2, ">>", false, "focus_Far2"},
        {CameraShootDlg::kFocusFar3, ">>>", false, "focus_Far3"},
        {CameraShootDlg::kFocusUp, "上", false, "focus_Up"},
        {CameraShootDlg::kFocusDown, "下", false, "focus_Down"},
        {CameraShootDlg::kFocusLeft, "左", false, "focus_Left"},
        {CameraShootDlg::kFocusRight, "右", false, "focus_Right"},
        {CameraShootDlg::kZoomFit, "Fit", false, "zoom_Fit"},
        {CameraShootDlg::kZoom, "Zoom", false, "zoom_Zoom"},
        {CameraShootDlg::kPressHalfway, "Press Halfway", false, "pressingHalfway"},
        {CameraShootDlg::kPressCompletely, "Press Completely", false, "pressingCompletely"},
        {CameraShootDlg::kPressOff, "Press Off", false, "pressingOff"},
        {CameraShootDlg::kEvfAfOnAction, "EVF AF On", false, "evfAFOn"},
        {CameraShootDlg::kEvfAfOffAction, "EVF AF Off", false, "evfAFOff"},
    };
    for (const Expected &expected : controls) {
        SCOPED_TRACE(expected.id);
        QPushButton *button = rig.button(expected.id);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->text(), QString::fromUtf8(expected.text));
        EXPECT_EQ(button->isVisible(), expected.shown);
        if (*expected.action) {
            EXPECT_EQ(dynamic_cast<CActionButton &>(*button).commandName(), expected.action);
        }
    }
    EXPECT_TRUE(window.picture()->isVisible());
    EXPECT_EQ(window.picture()->commandName(), "downloadEVF");
    for (int id = CameraShootDlg::kFirstCombo; id < CameraShootDlg::kFirstCombo + 8; ++id) {
        auto *combo = dynamic_cast<CPropertyComboBox *>(window.control(id));
        ASSERT_TRUE(combo) << id;
        EXPECT_FALSE(combo->isVisible());
        EXPECT_EQ(combo->table().control, id);
    }
    EXPECT_FALSE(window.control(CameraShootDlg::kProgress)->isVisible());
    EXPECT_FALSE(window.control(CameraShootDlg::kEdit)->isVisible());

    // Layout of a 1000 by 600 window.
    EXPECT_EQ(window.picture()->geometry(), QRect(0, 0, 800, 600));
    EXPECT_EQ(rig.button(CameraShootDlg::kMinimise)->geometry(), QRect(950, 9, 30, 24));
    EXPECT_EQ(rig.button(CameraShootDlg::kEnd)->geometry(), QRect(900, 9, 30, 24));
    EXPECT_EQ(rig.button(CameraShootDlg::kDisconnect)->geometry(), QRect(840, 9, 30, 24));
    EXPECT_EQ(rig.button(CameraShootDlg::kStart)->geometry(), QRect(830, 201, 100, 70));
    EXPECT_EQ(rig.button(CameraShootDlg::kShoot)->geometry(), QRect(830, 280, 100, 80));
    EXPECT_EQ(rig.button(CameraShootDlg::kEndEvfAction)->geometry(), QRect(900, 149, 80, 30));

    // Start and END swap; the disconnect button stays hidden.
    rig.click(CameraShootDlg::kStart);
    EXPECT_FALSE(rig.button(CameraShootDlg::kStart)->isVisible());
    EXPECT_TRUE(rig.button(CameraShootDlg::kEnd)->isVisible());
    EXPECT_FALSE(rig.button(CameraShootDlg::kDisconnect)->isVisible());
    rig.click(CameraShootDlg::kEnd);
    EXPECT_TRUE(rig.button(CameraShootDlg::kStart)->isVisible());
    EXPECT_FALSE(rig.button(CameraShootDlg::kEnd)->isVisible());

    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&window, Qt::Key(key));
        EXPECT_TRUE(window.isVisible()) << "Enter does nothing";
    }
    EXPECT_TRUE(rig.rig.session->controller().processor().isRunning());

    rig.click(CameraShootDlg::kMinimise);
    EXPECT_TRUE(window.isMinimized());
}

// "拍照" goes through the hook the capture sequence fills; without one it
// takes the picture at once.
TEST_F(CameraWindow, ShootGoesThroughTheHook)
{
    WindowRig rig;
    ASSERT_TRUE(rig.window);
    ASSERT_TRUE(rig.rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));
    int hooked = 0;
    rig.window->setShootHook([&] {
        ++hooked;
        rig.window->takePicture(); // after its countdown
    });
    rig.click(CameraShootDlg::kShoot);
    EXPECT_EQ(hooked, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.rig.camera->shotsTaken() == 1; }, 10000));

    rig.window->setShootHook({});
    rig.click(CameraShootDlg::kShoot);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.rig.camera->shotsTaken() == 2; }, 10000));
    EXPECT_EQ(hooked, 1);
}

// "断开" asks first; No keeps the camera, Yes closes the session and ends
// the processor; asked again it only raises "opensession", which no
// processor performs any more.
TEST_F(CameraWindow, DisconnectAsksFirst)
{
    WindowRig rig;
    ASSERT_TRUE(rig.window);
    ASSERT_TRUE(rig.rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));
    Processor &processor = rig.rig.session->controller().processor();
    {
        MessageBoxAnswer no(QMessageBox::No);
        rig.click(CameraShootDlg::kDisconnect);
        ASSERT_EQ(no.Boxes().size(), 1u);
        EXPECT_EQ(no.Boxes()[0].title, QStringLiteral("提示"));
        EXPECT_EQ(no.Boxes()[0].text, QStringLiteral("确定要断开与相机连接吗？"));
        EXPECT_EQ(no.Boxes()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(no.Boxes()[0].defaultButton, QMessageBox::No);
    }
    EXPECT_TRUE(processor.isRunning());
    EXPECT_TRUE(rig.window->isConnected());
    {
        MessageBoxAnswer yes(QMessageBox::Yes);
        rig.click(CameraShootDlg::kDisconnect);
        EXPECT_EQ(yes.Boxes().size(), 1u);
    }
    EXPECT_FALSE(processor.inBody());
    EXPECT_FALSE(rig.window->isConnected());
    EXPECT_EQ(rig.rig.camera->callCount("closeSession"), 1);
    EXPECT_TRUE(rig.window->isVisible()) << "the window stays until it is closed";
    {
        MessageBoxAnswer none(QMessageBox::Yes);
        rig.click(CameraShootDlg::kDisconnect);
        EXPECT_TRUE(none.Boxes().empty());
    }
    QTest::qWait(50);
    EXPECT_EQ(rig.rig.camera->callCount("openSession"), 1);
}

// The camera switched off closes the window, but only once no other modal
// window (a shot's review, which the processor may be waiting for) is open
// over it: closing waits for the processor.
TEST_F(CameraWindow, SwitchedOffClosesOnceNoOtherWindowWaits)
{
    WindowRig rig;
    ASSERT_TRUE(rig.window);
    ASSERT_TRUE(rig.rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));
    QDialog review(rig.window.get());
    review.setModal(true);
    review.show();
    rig.rig.camera->switchOff();
    ASSERT_TRUE(rig.rig.events.waitFor("shutDown"));
    QTest::qWait(300);
    EXPECT_TRUE(rig.window->isVisible()) << "not while the review is open";
    EXPECT_TRUE(rig.rig.session->controller().processor().isRunning());
    review.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.window->isVisible(); }, 10000));
    EXPECT_FALSE(rig.rig.session->controller().processor().inBody());
    EXPECT_FALSE(rig.rig.camera->started());
}

} // namespace
