#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/CameraSession.h"
#include "camera/CurrentCamera.h"
#include "camera/ShotFiling.h"
#include "camera/TransferCommand.h"
#include "camera/sdk/CameraBackend.h"
#include "camera/sdk/GphotoCamera.h"
#include "platform/Pause.h"

#include "tests/camera/CameraTestSupport.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

QByteArray Bytes(const fs::path &file)
{
    QFile in(QString::fromStdString(file.string()));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// What the review hook saw.
struct Reviews
{
    std::mutex mutex;
    std::vector<fs::path> shots;
    std::thread::id thread;

    ShotFiling filing(fs::path source)
    {
        return {[source] { return source; },
                [this](const fs::path &shot) {
                    std::lock_guard lock(mutex);
                    shots.push_back(shot);
                    thread = std::this_thread::get_id();
                }};
    }
    std::size_t count()
    {
        std::lock_guard lock(mutex);
        return shots.size();
    }
};

class Session : public testing::Test
{
protected:
    void SetUp() override { SetPauseScale(0.02); }
    void TearDown() override
    {
        SetPauseScale(1.0);
        LiveViewOn = false;
    }
};

TEST_F(Session, ConnectsToTheFirstCameraOrTellsWhy)
{
    SdkError code = kSdkOk;
    auto absent = std::make_unique<SimulatedCamera>();
    absent->setAttached(false);
    EXPECT_FALSE(CameraSession::connect(std::move(absent), {}, &code));
    EXPECT_EQ(code, kSdkNoCamera);
    EXPECT_FALSE(CameraSession::connect(nullptr, {}, &code)) << "no camera library at all";
    EXPECT_EQ(code, kSdkNoCamera);
    EXPECT_EQ(CurrentCameraModel(), nullptr);

    for (const std::uint32_t subType : {0u, 1u}) {
        auto camera = std::make_unique<SimulatedCamera>();
        camera->setSubType(subType);
        auto session = CameraSession::connect(std::move(camera), {}, &code);
        ASSERT_TRUE(session);
        EXPECT_EQ(code, kSdkOk);
        EXPECT_EQ(session->model().isLegacy(), subType == 0) << "sub-type " << subType;
        EXPECT_EQ(CurrentCameraModel(), &session->model());
        EXPECT_EQ(CurrentCameraController(), &session->controller());
        session->close();
        EXPECT_EQ(CurrentCameraModel(), nullptr);
        EXPECT_EQ(CurrentCameraController(), nullptr);
    }

    qputenv("VELLORA_CAMERA", "simulated");
    EXPECT_TRUE(dynamic_cast<SimulatedCamera *>(MakeCameraSdk().get()));
    qunsetenv("VELLORA_CAMERA");
    EXPECT_TRUE(dynamic_cast<GphotoCamera *>(MakeCameraSdk().get())) << "real cameras by default";
}

// A shot with live view off goes to the source folder, beside a photo of the
// same name waiting there; one with live view on goes to TempPicture,
// replacing a shot of the same name, and its review runs on the processor's
// thread. The camera's name never leads outside.
TEST_F(Session, ShotsAreFiledByTheLiveViewFlag)
{
    Reviews reviews;
    SimulatedRig rig(reviews.filing("in"));
    ASSERT_TRUE(rig.session);
    SimulatedCamera &camera = *rig.camera;
    fs::create_directory("in");
    rig.session->open();
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));

    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(rig.events.waitFor("DownloadComplete", 1, 0));
    EXPECT_EQ(Bytes("in/IMG_0001.JPG"), SimulatedCamera::shotBytes(1));
    EXPECT_FALSE(fs::exists("IMG_0001.JPG"));
    EXPECT_EQ(reviews.count(), 0u);
    EXPECT_EQ(rig.events.count("ProgressReport"), 10);
    EXPECT_EQ(rig.events.count("ProgressReport", 100), 1);

    fs::create_directory(kShotFolder);
    { std::ofstream("TempPicture/IMG_0002.JPG") << "an older shot of the same name"; }
    LiveViewOn = true;
    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(Eventually([&] { return reviews.count() == 1; }));
    EXPECT_EQ(Bytes("TempPicture/IMG_0002.JPG"), SimulatedCamera::shotBytes(2)) << "replaced";
    EXPECT_EQ(reviews.shots[0], fs::current_path() / "TempPicture" / "IMG_0002.JPG");
    const auto entries = rig.events.entries();
    const auto complete = std::find_if(entries.rbegin(), entries.rend(), [](const auto &e) { return e.name == "DownloadComplete"; });
    EXPECT_EQ(reviews.thread, complete->thread) << "the review runs where the commands run";
    EXPECT_NE(reviews.thread, std::this_thread::get_id());

    // A photo of the same name still waiting in the source folder stays beside the new shot.
    LiveViewOn = false;
    { std::ofstream("in/IMG_0007.JPG") << "a guest's photo not yet taken in"; }
    camera.setShotName("../outside/IMG_0007.JPG");
    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(rig.events.waitFor("DownloadComplete", 3, 0));
    EXPECT_EQ(Bytes("in/IMG_0007.JPG"), QByteArray("a guest's photo not yet taken in"));
    EXPECT_EQ(Bytes("in/IMG_0007-2.JPG"), SimulatedCamera::shotBytes(3));
    EXPECT_FALSE(fs::exists("../outside"));
}

// A source folder that is the program folder itself keeps the shot where it
// is, under its own name.
TEST_F(Session, ShotsStayInASourceFolderThatIsTheProgramFolder)
{
    // Asked at the transfer, when the rig's program folder is the current one.
    SimulatedRig rig(ShotFiling{[] { return fs::current_path(); }, {}});
    ASSERT_TRUE(rig.session);
    rig.session->open();
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));

    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(rig.events.waitFor("DownloadComplete", 1, 0));
    EXPECT_EQ(Bytes("IMG_0001.JPG"), SimulatedCamera::shotBytes(1));
    EXPECT_FALSE(fs::exists("IMG_0001-2.JPG"));
}

// A failed transfer moves nothing, leaves nothing behind and is told.
TEST_F(Session, FailedTransferMovesNothing)
{
    Reviews reviews;
    SimulatedRig rig(reviews.filing(fs::current_path() / "in"));
    ASSERT_TRUE(rig.session);
    fs::create_directory("in");
    rig.session->open();
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));
    rig.camera->failNext(SimulatedCamera::Operation::Download, kSdkFileError, 1);
    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(rig.events.waitFor("error", 1, kSdkFileError));
    EXPECT_EQ(rig.events.count("DownloadStart"), 1);
    EXPECT_EQ(rig.events.count("DownloadComplete"), 0);
    EXPECT_TRUE(fs::is_empty("in"));
    EXPECT_FALSE(fs::exists("IMG_0001.JPG"));
    rig.camera->waitForEvents();
    EXPECT_TRUE(Eventually([&] { return rig.camera->liveObjects() == 1; })) << "only the camera itself: the item went back";
}

enum class ClosePath { Disconnect, Escape, SwitchedOff };

void PrintTo(ClosePath path, std::ostream *out)
{
    *out << (path == ClosePath::Disconnect ? "disconnect" : path == ClosePath::Escape ? "escape" : "switched_off");
}

class CloseRoads : public Session, public testing::WithParamInterface<ClosePath>
{
};

// Every way the camera window closes ends in the orderly stop: the
// command being performed finishes, the waiting ones are dropped, the
// session is closed once, the thread has ended, the library is stopped and
// every object it handed out is back, before anything is destroyed.
TEST_P(CloseRoads, StopInOrder)
{
    SimulatedRig rig;
    ASSERT_TRUE(rig.session);
    SimulatedCamera &camera = *rig.camera;
    CameraSession &session = *rig.session;
    Processor &processor = session.controller().processor();
    session.open();
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));

    // A slow transfer is under way and more commands wait behind it.
    camera.setTransferStepDelay(10ms); // scaled with the pauses
    camera.holdEvents(true);
    Raise(session.controller(), "TakePicture");
    Raise(session.controller(), "TakePicture");
    ASSERT_TRUE(Eventually([&] { return camera.shotsTaken() == 2; }));
    camera.setTransferStepDelay(1000ms);
    camera.holdEvents(false);
    ASSERT_TRUE(Eventually([&] { return camera.callCount("download") == 1; }));
    std::uint32_t iso = 80;
    Raise(session.controller(), "set_ISOSpeed", &iso);

    // The window's close request arrives on its own thread; here, the test's.
    std::promise<void> closeRequested;
    struct CloseOnShutDown final : Observer
    {
        void onModelEvent(Observable &, const ModelEvent &event) override
        {
            if (event.name == kModelShutDown)
                request->set_value();
        }
        std::promise<void> *request;
    } window;
    window.request = &closeRequested;
    session.model().attach(&window);

    switch (GetParam()) {
    case ClosePath::Disconnect:
        Raise(session.controller(), "closing");
        EXPECT_FALSE(processor.inBody());
        EXPECT_TRUE(session.close()) << "the window closes after the disconnect";
        break;
    case ClosePath::Escape:
        EXPECT_TRUE(session.close());
        break;
    case ClosePath::SwitchedOff:
        camera.setTransferStepDelay(10ms);
        camera.switchOff();
        ASSERT_EQ(closeRequested.get_future().wait_for(10s), std::future_status::ready);
        EXPECT_TRUE(session.close());
        break;
    }

    EXPECT_FALSE(processor.inBody());
    EXPECT_FALSE(processor.isRunning());
    EXPECT_EQ(camera.callCount("closeSession"), 1);
    EXPECT_EQ(camera.calls().back(), "closeSession") << "the last call the camera saw";
    // Switched off, the notice queues behind the waiting commands, which fail on the silent camera.
    EXPECT_EQ(camera.callCount("writeProperty 1026=80"), GetParam() == ClosePath::SwitchedOff ? 1 : 0)
        << "a waiting command is dropped";
    EXPECT_EQ(camera.callCount("download"), 1) << "the second shot's transfer never started";
    EXPECT_FALSE(camera.started());
    EXPECT_EQ(camera.liveObjects(), 0);
    EXPECT_EQ(CurrentCameraModel(), nullptr);
    EXPECT_TRUE(session.close()) << "once is enough";
    EXPECT_EQ(camera.callCount("closeSession"), 1);
}

INSTANTIATE_TEST_SUITE_P(Session, CloseRoads, testing::Values(ClosePath::Disconnect, ClosePath::Escape, ClosePath::SwitchedOff),
                         [](const testing::TestParamInfo<ClosePath> &info) {
                             std::ostringstream name;
                             PrintTo(info.param, &name);
                             return name.str();
                         });

// The processor's thread cannot wait for itself: a close from there is refused.
TEST_F(Session, CloseFromTheProcessorThreadIsRefused)
{
    SimulatedRig rig;
    ASSERT_TRUE(rig.session);
    rig.session->open();
    std::promise<bool> refused;
    struct Closer final : Observer
    {
        void onModelEvent(Observable &, const ModelEvent &event) override
        {
            if (event.name == kModelShutDown)
                result->set_value(!session->close());
        }
        CameraSession *session;
        std::promise<bool> *result;
    } closer;
    closer.session = rig.session.get();
    closer.result = &refused;
    rig.session->model().attach(&closer);
    Raise(rig.session->controller(), "shutDown");
    EXPECT_TRUE(refused.get_future().get());
    EXPECT_TRUE(rig.session->close());
    EXPECT_FALSE(rig.camera->started());
}

} // namespace
