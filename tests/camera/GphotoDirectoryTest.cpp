// The real-camera backend on the real libgphoto2: its "Directory Browse"
// camera on a folder (no hardware needed), and the start-up with no camera
// attached at all.

#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/CameraSession.h"
#include "camera/CurrentCamera.h"
#include "camera/sdk/CameraBackend.h"
#include "camera/sdk/GphotoCamera.h"
#include "platform/Pause.h"

#include "tests/camera/CameraTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

#include <dirent.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A small real JPEG, written beside the camera's folder and moved in whole,
// as a camera's card gets a finished file.
void PlaceJpeg(const fs::path &target, const QColor &colour)
{
    QImage image(96, 64, QImage::Format_RGB32);
    image.fill(colour);
    const fs::path part = target.parent_path().parent_path().parent_path().parent_path() / (target.filename().string() + ".part");
    ASSERT_TRUE(image.save(QString::fromStdString(part.string()), "JPG"));
    fs::rename(part, target);
}

int OpenFiles()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

class GphotoDirectory : public testing::Test
{
protected:
    void SetUp() override { SetPauseScale(0.02); }
    void TearDown() override { SetPauseScale(1.0); }
};

// Detection, session opening and closing, a JPEG that appears on the camera
// downloaded as a shot, and a capture the camera cannot do told as "error".
TEST_F(GphotoDirectory, FolderCameraGivesItsNewPicturesAsShots)
{
    ProgramFolder folder;
    const fs::path card = folder.Path() / "card";
    fs::create_directories(card / "DCIM" / "100TEST");
    fs::create_directory("in");
    PlaceJpeg(card / "DCIM" / "100TEST" / "OLD_0001.JPG", Qt::blue);

    {
        auto sdk = std::make_unique<GphotoCamera>(MakeGphotoCalls(), GphotoCameraId{"Directory Browse", "disk:" + card.string(), false});
        SdkError code = kSdkOk;
        auto session = CameraSession::connect(std::move(sdk), {[] { return fs::path("in"); }, {}}, &code);
        ASSERT_TRUE(session) << DescribeCameraError(code);
        RecordingObserver events;
        session->model().attach(&events);
        session->open();
        ASSERT_TRUE(events.waitFor("PropertyChanged", 1, kPropCameraModel));
        EXPECT_EQ(session->model().name(), "Directory Browse");
        EXPECT_EQ(events.count("error"), 0) << events.trace();

        PlaceJpeg(card / "DCIM" / "100TEST" / "IMG_0002.JPG", Qt::red);
        ASSERT_TRUE(Eventually([] { return fs::exists("in/IMG_0002.JPG"); })) << events.trace();
        EXPECT_EQ(FileBytes("in/IMG_0002.JPG"), FileBytes(card / "DCIM" / "100TEST" / "IMG_0002.JPG"));
        EXPECT_EQ(events.count("ProgressReport", 100), 1);
        EXPECT_TRUE(fs::exists(card / "DCIM" / "100TEST" / "IMG_0002.JPG")) << "a card's picture stays on it";
        EXPECT_FALSE(fs::exists("in/OLD_0001.JPG")) << "what lay there before is no shot";

        Raise(session->controller(), "TakePicture");
        ASSERT_TRUE(events.waitFor("error", 1, kGphotoErrorBase | 6u)) << events.trace();
        EXPECT_TRUE(session->close());
        EXPECT_EQ(events.count("DownloadComplete"), 1);
        EXPECT_EQ(events.count("error"), 1) << events.trace();
    }
    EXPECT_EQ(GphotoCamera::startedNow(), 0);
    EXPECT_EQ(GphotoCamera::objectsNow(), 0);
}

// The program's own camera library finds no camera here: the start-up gives
// the no-camera code, leaves the library stopped and holds nothing, however
// often it is tried.
TEST_F(GphotoDirectory, NoCameraAttachedLeavesNothingBehind)
{
    qunsetenv("VELLORA_CAMERA");
    int filesAfterFirst = -1;
    for (int run = 0; run < 20; ++run) {
        SdkError code = kSdkOk;
        EXPECT_FALSE(CameraSession::connect(MakeCameraSdk(), {}, &code)) << "run " << run;
        EXPECT_EQ(code, kSdkNoCamera) << "run " << run << ": " << DescribeCameraError(code);
        EXPECT_EQ(GphotoCamera::startedNow(), 0) << "run " << run;
        EXPECT_EQ(GphotoCamera::objectsNow(), 0) << "run " << run;
        EXPECT_EQ(CurrentCameraModel(), nullptr);
        if (run == 0)
            filesAfterFirst = OpenFiles();
        EXPECT_EQ(OpenFiles(), filesAfterFirst) << "run " << run;
    }
}

} // namespace
