// The real-camera backend over a libgphoto2 played in memory: how its
// results, events and settings reach the camera layer.

#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/CameraSession.h"
#include "camera/ShotFiling.h"
#include "camera/sdk/CameraBackend.h"
#include "camera/sdk/GphotoCamera.h"
#include "platform/Pause.h"

#include "tests/camera/CameraTestSupport.h"
#include "tests/camera/FakeGphoto.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A fake camera connected through a camera session as the camera start-up
// connects one, its session opened, in a program folder of its own.
struct GphotoRig
{
    explicit GphotoRig(void (*prepare)(FakeGphoto &) = nullptr)
    {
        auto calls = std::make_unique<FakeGphoto>();
        fake = calls.get();
        if (prepare)
            prepare(*fake);
        auto sdk = std::make_unique<GphotoCamera>(std::move(calls));
        camera = sdk.get();
        fs::create_directory("in");
        session = CameraSession::connect(std::move(sdk), {[] { return fs::path("in"); }, {}}, &code);
        if (!session)
            return;
        session->model().attach(&events);
        session->open();
        events.waitFor("PropertyChanged", 1, kPropCameraModel);
    }
    ~GphotoRig() { session.reset(); }

    SdkRef cameraRef() { return session->model().camera(); }

    ProgramFolder folder;
    FakeGphoto *fake = nullptr;
    GphotoCamera *camera = nullptr;
    std::unique_ptr<CameraSession> session;
    RecordingObserver events;
    SdkError code = kSdkOk;
};

class Gphoto : public testing::Test
{
protected:
    void SetUp() override { SetPauseScale(0.02); }
    void TearDown() override
    {
        SetPauseScale(1.0);
        LiveViewOn = false;
        EXPECT_EQ(GphotoCamera::startedNow(), 0);
        EXPECT_EQ(GphotoCamera::objectsNow(), 0);
    }
};

// The first camera that can shoot is taken, before card readers; one that
// another program holds fails the start-up and the log can say why.
TEST_F(Gphoto, StartUpTakesACameraThatShootsOrTellsWhyNot)
{
    {
        GphotoRig rig([](FakeGphoto &fake) {
            fake.setCameras({{"Mass Storage Camera", "disk:/media/card", false}, {"Studio Body 90", "usb:001,004", true}});
        });
        ASSERT_TRUE(rig.session);
        EXPECT_EQ(rig.session->model().name(), "Studio Body 90");
        EXPECT_EQ(rig.fake->calls().front(), "open Studio Body 90");
    }
    {
        GphotoRig rig([](FakeGphoto &fake) { fake.setCameras({}); });
        EXPECT_FALSE(rig.session);
        EXPECT_EQ(rig.code, kSdkNoCamera);
    }
    GphotoRig held([](FakeGphoto &fake) { fake.fail("open", FakeGphoto::kUsbClaim); });
    EXPECT_FALSE(held.session);
    EXPECT_EQ(held.code, kGphotoErrorBase | 53u);
    EXPECT_NE(DescribeCameraError(held.code).find("held by another program"), std::string::npos) << DescribeCameraError(held.code);
    EXPECT_NE(DescribeCameraError(held.code).find("(-53)"), std::string::npos);
}

// Busy is 0x81, a camera gone (unplugged, switched off) is told once as shut
// down and answers nothing after; other failures keep libgphoto2's number.
TEST_F(Gphoto, ResultsBecomeTheLibrarysCodes)
{
    struct Row
    {
        const char *name;
        int result;
        SdkError code;
        bool gone;
    } const rows[] = {
        {"busy", FakeGphoto::kBusy, kSdkDeviceBusy, false},
        {"not supported", FakeGphoto::kNotSupported, kGphotoErrorBase | 6u, false},
        {"timeout", FakeGphoto::kTimeout, kGphotoErrorBase | 10u, false},
        {"input/output error", FakeGphoto::kIo, kSdkCommunicationError, true},
        {"usb device gone", FakeGphoto::kUsbFind, kSdkCommunicationError, true},
    };
    for (const Row &row : rows) {
        GphotoRig rig;
        ASSERT_TRUE(rig.session) << row.name;
        rig.fake->fail("capture", row.result);
        EXPECT_EQ(rig.camera->cameraCommand(rig.cameraRef(), kCmdShutter, kShutterFully), row.code) << row.name;
        if (row.gone) {
            EXPECT_TRUE(rig.events.waitFor("shutDown")) << row.name;
            EXPECT_EQ(rig.camera->cameraCommand(rig.cameraRef(), kCmdShutter, kShutterFully), kSdkCommunicationError);
            EXPECT_EQ(rig.fake->count("capture"), 1) << row.name << ": a camera gone is not asked again";
        } else {
            EXPECT_EQ(rig.camera->cameraCommand(rig.cameraRef(), kCmdShutter, kShutterFully), kSdkOk) << row.name;
        }
        rig.session->close();
        EXPECT_EQ(rig.events.count("shutDown"), row.gone ? 1 : 0) << row.name;
    }
}

// A camera that stops answering while the backend waits for its events.
TEST_F(Gphoto, UnpluggedWhileIdleEndsInOneShutDown)
{
    GphotoRig rig;
    ASSERT_TRUE(rig.session);
    rig.fake->fail("waitForEvent", FakeGphoto::kUsbFind, 3);
    ASSERT_TRUE(rig.events.waitFor("shutDown"));
    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(rig.events.waitFor("error", 1, kSdkCommunicationError));
    EXPECT_EQ(rig.fake->count("capture"), 0);
    rig.session->close();
    EXPECT_EQ(rig.events.count("shutDown"), 1);
}

// A busy camera delays a property write through the processor's retries.
TEST_F(Gphoto, BusyWriteIsRetriedUntilTheCameraTakesIt)
{
    GphotoRig rig([](FakeGphoto &fake) { fake.setSetting("aperture", {"4", {"4", "5.6", "8"}}); });
    ASSERT_TRUE(rig.session);
    rig.fake->fail("writeSetting", FakeGphoto::kBusy, 2);
    std::uint32_t value = 48;
    Raise(rig.session->controller(), "set_Av", &value);
    ASSERT_TRUE(Eventually([&] { return rig.session->model().value(kPropAperture) == 48; }));
    EXPECT_EQ(rig.fake->setting("aperture"), "5.6");
    EXPECT_EQ(rig.fake->count("writeSetting aperture=5.6"), 3);
    EXPECT_EQ(rig.events.count("DeviceBusy"), 2);
    EXPECT_EQ(rig.events.count("error"), 0);
}

// An empty preview is a frame not ready: fetched again, no failure told.
TEST_F(Gphoto, LiveViewFrameNotReadyIsFetchedAgain)
{
    GphotoRig rig([](FakeGphoto &fake) { fake.setSetting("viewfinder", {"0", {}}); });
    ASSERT_TRUE(rig.session);
    const std::string jpeg = "\xFF\xD8 a frame \xFF\xD9";
    rig.fake->setFrames({"", "", jpeg});
    LiveViewOn = true;
    Raise(rig.session->controller(), "startEVF");
    ASSERT_TRUE(Eventually([&] { return rig.session->model().value(kPropEvfOutputDevice) & kEvfOutputComputer; }));
    Raise(rig.session->controller(), "downloadEVF");
    ASSERT_TRUE(rig.events.waitFor("EvfDataChanged"));
    EXPECT_EQ(rig.fake->count("capturePreview"), 3);
    EXPECT_EQ(rig.session->model().value(kPropEvfZoom), kEvfZoomFit);
    rig.fake->fail("capturePreview", FakeGphoto::kBusy);
    Raise(rig.session->controller(), "downloadEVF");
    ASSERT_TRUE(rig.events.waitFor("EvfDataChanged", 2));
    EXPECT_EQ(rig.events.count("DeviceBusy"), 1);
    EXPECT_EQ(rig.events.count("error"), 0);
    Raise(rig.session->controller(), "endEVF");
    ASSERT_TRUE(Eventually([&] { return rig.fake->count("writeSetting viewfinder=0") == 1; }));
}

// Shots reach the source folder whether the capture returns their path or
// the camera tells of a new file; each file once. At session opening the
// camera keeps shots in its memory, which is cleared after each download.
TEST_F(Gphoto, NewFilesOnTheCameraAreShotsDownloadedOnce)
{
    GphotoRig rig([](FakeGphoto &fake) {
        fake.setSetting("capturetarget", {"Memory card", {"Internal RAM", "Memory card"}});
        fake.setSetting("uilock", {"0", {}});
    });
    ASSERT_TRUE(rig.session);
    const std::vector<std::string> opening = {"writeSetting capturetarget=Internal RAM", "writeSetting uilock=1", "writeSetting uilock=0"};
    const std::vector<std::string> calls = rig.fake->calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 1, calls.begin() + 4), opening);

    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(Eventually([] { return fs::exists("in/IMG_0001.JPG"); }));
    EXPECT_EQ(FileBytes("in/IMG_0001.JPG"), "shot bytes of IMG_0001.JPG");
    EXPECT_EQ(rig.events.count("ProgressReport", 50), 1);
    EXPECT_EQ(rig.events.count("ProgressReport", 100), 1);

    // The camera also tells of the file it just gave; then of one shot with its own button.
    const GphotoFile own{"/store_00020001/DCIM/100IMAGE", "IMG_0002.JPG"};
    rig.fake->raiseFileAdded({"/store_00020001/DCIM/100IMAGE", "IMG_0001.JPG"});
    rig.fake->addFile(own, "shot taken on the camera");
    rig.fake->raiseFileAdded(own);
    ASSERT_TRUE(Eventually([] { return fs::exists("in/IMG_0002.JPG"); }));
    EXPECT_EQ(FileBytes("in/IMG_0002.JPG"), "shot taken on the camera");
    rig.session->close();
    EXPECT_EQ(rig.fake->count("download /store_00020001/DCIM/100IMAGE/IMG_0001.JPG"), 1);
    EXPECT_EQ(rig.fake->count("deleteFile /store_00020001/DCIM/100IMAGE/IMG_0002.JPG"), 1);
    EXPECT_EQ(rig.events.count("error"), 0);
}

// A camera that gives a deleted shot's name to its next shot: the new shot
// is delivered, whether the capture returns it or the camera tells of it;
// the late echo of a deleted shot is no shot.
TEST_F(Gphoto, AReusedFileNameIsANewShot)
{
    GphotoRig rig([](FakeGphoto &fake) { fake.setSetting("capturetarget", {"Memory card", {"Internal RAM", "Memory card"}}); });
    ASSERT_TRUE(rig.session);
    const GphotoFile shot{"/store_00020001/DCIM/100IMAGE", "IMG_0001.JPG"};
    const std::string download = "download /store_00020001/DCIM/100IMAGE/IMG_0001.JPG";
    const std::string deletion = "deleteFile /store_00020001/DCIM/100IMAGE/IMG_0001.JPG";
    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(Eventually([&] { return rig.fake->count(deletion) == 1; }));
    rig.fake->raiseFileAdded(shot); // the echo of the shot just deleted
    Raise(rig.session->controller(), "TakePicture");
    ASSERT_TRUE(Eventually([&] { return rig.fake->count(deletion) == 2; }));

    rig.fake->addFile(shot, "taken on the camera under the same name");
    rig.fake->raiseFileAdded(shot);
    // The source folder still holds the earlier shots of that name, so this one takes a copy number.
    ASSERT_TRUE(Eventually([] { return FileBytes("in/IMG_0001-3.JPG") == "taken on the camera under the same name"; }));
    rig.session->close();
    EXPECT_EQ(rig.fake->count(download), 3);
    EXPECT_EQ(rig.events.count("error"), 0);
}

// The half press is the camera's autofocus and its release cancels it,
// through libgphoto2's autofocus widgets; a release without a press, or a
// camera without those widgets, writes nothing.
TEST_F(Gphoto, HalfPressDrivesTheAutofocus)
{
    {
        GphotoRig rig([](FakeGphoto &fake) {
            fake.setSetting("autofocusdrive", {"0", {}});
            fake.setSetting("cancelautofocus", {"0", {}});
        });
        ASSERT_TRUE(rig.session);
        EXPECT_EQ(rig.camera->cameraCommand(rig.cameraRef(), kCmdShutter, kShutterOff), kSdkOk);
        EXPECT_EQ(rig.camera->cameraCommand(rig.cameraRef(), kCmdShutter, kShutterHalfway), kSdkOk);
        EXPECT_EQ(rig.camera->cameraCommand(rig.cameraRef(), kCmdShutter, kShutterOff), kSdkOk);
        EXPECT_EQ(rig.fake->count("writeSetting autofocusdrive=1"), 1);
        EXPECT_EQ(rig.fake->count("writeSetting cancelautofocus=1"), 1);
    }
    GphotoRig bare;
    ASSERT_TRUE(bare.session);
    EXPECT_EQ(bare.camera->cameraCommand(bare.cameraRef(), kCmdShutter, kShutterHalfway), kSdkOk);
    EXPECT_EQ(bare.camera->cameraCommand(bare.cameraRef(), kCmdShutter, kShutterOff), kSdkOk);
    for (const std::string &call : bare.fake->calls())
        EXPECT_EQ(call.rfind("writeSetting", 0), std::string::npos) << call;
}

// Values read through the widgets' texts; a setting the camera lacks reads
// unknown with no values to choose; a read-only one offers none either.
TEST_F(Gphoto, PropertiesComeFromTheWidgets)
{
    GphotoRig rig([](FakeGphoto &fake) {
        fake.setSetting("shutterspeed", {"1/125", {"1/60", "1/125", "1/7"}});
        fake.setSetting("iso", {"400", {"Auto", "100", "400"}});
        fake.setSetting("imageformat", {"Large Fine JPEG", {"Large Fine JPEG", "RAW"}, true});
        fake.setSetting("expprogram", {"A", {"M", "P", "A", "S"}});
    });
    ASSERT_TRUE(rig.session);
    CameraController &controller = rig.session->controller();
    std::uint32_t all = 0xFFFF;
    Raise(controller, "get_Property", &all);
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropImageQuality));
    const CameraModel &model = rig.session->model();
    EXPECT_EQ(model.value(kPropShutterSpeed), 112u);
    EXPECT_EQ(model.value(kPropIso), 88u);
    EXPECT_EQ(model.value(kPropExposureMode), 2u);
    EXPECT_EQ(model.value(kPropAperture), 0xFFFFFFFFu) << "no aperture widget";
    EXPECT_EQ(model.value(kPropImageQuality), 0x13FF0Fu);

    Raise(controller, "get_PropertyDesc", &all);
    ASSERT_TRUE(rig.events.waitFor("PropertyDescChanged", 1, kPropImageQuality));
    const PropertyDesc shutter = model.propertyDesc(kPropShutterSpeed);
    ASSERT_EQ(shutter.count, 2) << "1/7 has no code";
    EXPECT_EQ(shutter.values[0], 104u);
    EXPECT_EQ(shutter.values[1], 112u);
    EXPECT_EQ(model.propertyDesc(kPropExposureMode).count, 4);
    EXPECT_EQ(model.propertyDesc(kPropAperture).count, 0);
    EXPECT_EQ(model.propertyDesc(kPropImageQuality).count, 0) << "read-only";
    EXPECT_EQ(rig.events.count("error"), 0);
}

} // namespace
