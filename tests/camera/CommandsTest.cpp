#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/LiveViewCommands.h"
#include "camera/LiveViewFrame.h"
#include "camera/PropertyCommands.h"
#include "camera/SessionCommands.h"
#include "camera/ShotFiling.h"
#include "camera/ShutterCommands.h"
#include "platform/Pause.h"

#include "tests/camera/CameraTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Op = SimulatedCamera::Operation;

// The camera's calls that start with the prefix, in order.
std::vector<std::string> CallsStarting(const SimulatedCamera &camera, const std::string &prefix)
{
    std::vector<std::string> found;
    for (const std::string &call : camera.calls())
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    return found;
}

// Commands performed one by one on the test's thread against a simulated
// camera whose session is open; the processor is not running.
class Commands : public testing::Test
{
protected:
    void SetUp() override
    {
        SetPauseScale(0.02);
        ASSERT_TRUE(rig.session);
        ASSERT_TRUE(OpenSessionCommand(model()).perform());
        settle();
    }
    void TearDown() override
    {
        SetPauseScale(1.0);
        LiveViewOn = false;
    }

    CameraModel &model() { return rig.session->model(); }
    SimulatedCamera &camera() { return *rig.camera; }
    void settle()
    {
        camera().waitForEvents();
        camera().clearCalls();
        rig.events.clear();
    }

    SimulatedRig rig;
};

struct OpenCase
{
    const char *name;
    Op failing; // Op::Any: nothing fails
    std::vector<std::string> calls;
    std::string events;
};

void PrintTo(const OpenCase &c, std::ostream *out)
{
    *out << c.name;
}

class OpenSession : public testing::TestWithParam<OpenCase>
{
};

// Each step only after the one before succeeded; the unlock after any
// successful lock; the first failure told as "error", busy or not.
TEST_P(OpenSession, StepsUpToTheFirstFailure)
{
    const OpenCase &c = GetParam();
    SimulatedRig rig;
    ASSERT_TRUE(rig.session);
    const SdkError code = c.failing == Op::OpenSession ? kSdkDeviceBusy : 0x05;
    if (c.failing != Op::Any)
        rig.camera->failNext(c.failing, code, 1);
    EXPECT_TRUE(OpenSessionCommand(rig.session->model()).perform()) << "never retried";
    EXPECT_EQ(rig.camera->calls(), c.calls);
    EXPECT_EQ(rig.events.trace(), c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OpenSession,
    testing::Values(
        OpenCase{"all_steps",
                 Op::Any,
                 {"openSession", "writeProperty 11=2", "statusCommand 0", "setCapacity 2147483647 4096 1", "statusCommand 1"},
                 ""},
        OpenCase{"busy_opening", Op::OpenSession, {"openSession"}, "error 129"},
        OpenCase{"shots_to_computer_refused", Op::WriteProperty, {"openSession", "writeProperty 11=2"}, "error 5"},
        OpenCase{"lock_refused", Op::StatusCommand, {"openSession", "writeProperty 11=2", "statusCommand 0"}, "error 5"},
        OpenCase{"capacity_refused_still_unlocks",
                 Op::SetCapacity,
                 {"openSession", "writeProperty 11=2", "statusCommand 0", "setCapacity 2147483647 4096 1", "statusCommand 1"},
                 "error 5"}),
    [](const testing::TestParamInfo<OpenCase> &info) { return std::string(info.param.name); });

// All exposure values in their fixed order, and the first failure ends the read.
TEST_F(Commands, ReadingAllPropertiesStopsAtTheFirstFailure)
{
    camera().setProperty(kPropExposureMode, 3);
    camera().setProperty(kPropAperture, 56);
    EXPECT_TRUE(GetPropertyCommand(model(), kAllProperties).perform());
    EXPECT_EQ(CallsStarting(camera(), "readProperty"),
              (std::vector<std::string>{"readProperty 1078", "readProperty 1030", "readProperty 1029", "readProperty 1026",
                                        "readProperty 1027", "readProperty 1031", "readProperty 256"}));
    EXPECT_EQ(rig.events.trace(), "PropertyChanged 1078 PropertyChanged 1030 PropertyChanged 1029 PropertyChanged 1026 "
                                  "PropertyChanged 1027 PropertyChanged 1031 PropertyChanged 256");
    EXPECT_EQ(model().value(kPropExposureMode), 3u);
    EXPECT_EQ(model().value(kPropAperture), 56u);

    settle();
    camera().failProperty(Op::ReadProperty, kPropAperture, 0x05, 1);
    EXPECT_TRUE(GetPropertyCommand(model(), kAllProperties).perform()) << "an error ends the command";
    EXPECT_EQ(CallsStarting(camera(), "readProperty"),
              (std::vector<std::string>{"readProperty 1078", "readProperty 1030", "readProperty 1029"}));
    EXPECT_EQ(rig.events.trace(), "PropertyChanged 1078 PropertyChanged 1030 error 5");

    settle();
    camera().failProperty(Op::PropertySize, kPropShutterSpeed, kSdkDeviceBusy, 1);
    EXPECT_FALSE(GetPropertyCommand(model(), kAllProperties).perform()) << "busy asks for a retry";
    EXPECT_EQ(rig.events.trace(), "PropertyChanged 1078 DeviceBusy");

    settle();
    camera().setDescription(kPropIso, {72, 80});
    camera().failProperty(Op::PropertyDesc, kPropMetering, 0x05, 1);
    EXPECT_TRUE(GetPropertyDescCommand(model(), kAllProperties).perform());
    EXPECT_EQ(CallsStarting(camera(), "propertyDesc"),
              (std::vector<std::string>{"propertyDesc 1078", "propertyDesc 1030", "propertyDesc 1029", "propertyDesc 1026",
                                        "propertyDesc 1027"}));
    EXPECT_EQ(model().propertyDesc(kPropIso).count, 2);
    EXPECT_EQ(model().propertyDesc(kPropIso).values[1], 80u);
}

// The model name (cut to what the model's field holds), the focus record,
// and a value the model does not keep.
TEST_F(Commands, ReadsTextRecordsAndValuesTheModelDoesNotKeep)
{
    const std::string longName = std::string(254, 'N') + "\xC3\xA9" + std::string(60, 'X'); // "é" across the 255th byte
    camera().setModelName(longName);
    EXPECT_TRUE(GetPropertyCommand(model(), kPropCameraModel).perform());
    EXPECT_EQ(model().name(), longName.substr(0, 254)) << "cut before the character that does not fit whole";
    camera().setModelName(std::string(300, 'A'));
    EXPECT_TRUE(GetPropertyCommand(model(), kPropCameraModel).perform());
    EXPECT_EQ(model().name(), std::string(255, 'A'));
    camera().setModelName("Simulated Body 70");
    EXPECT_TRUE(GetPropertyCommand(model(), kPropCameraModel).perform());
    EXPECT_EQ(model().name(), "Simulated Body 70");

    EXPECT_TRUE(GetPropertyCommand(model(), kPropFocusRecord).perform());
    EXPECT_EQ(model().focusRecord().pointCount, 9u);
    EXPECT_EQ(model().focusRecord().image.width, 6000);

    EXPECT_TRUE(GetPropertyCommand(model(), kPropSaveTo).perform());
    EXPECT_EQ(model().value(kPropSaveTo), 0u) << "not kept";
    EXPECT_EQ(rig.events.count("PropertyChanged", kPropSaveTo), 1) << "but told";
}

struct RuleCase
{
    const char *name;
    std::function<std::unique_ptr<Command>(CameraModel &)> make;
    Op failing;
    SdkError code;
    bool liveViewRunning; // the model sees frames going to the computer
    bool finished;        // what perform answers
    std::string events;
};

void PrintTo(const RuleCase &c, std::ostream *out)
{
    *out << c.name;
}

class FailureRules : public Commands, public testing::WithParamInterface<RuleCase>
{
};

// What each command tells and answers when the camera fails it.
TEST_P(FailureRules, TellAndRetryAsTheCommandSays)
{
    const RuleCase &c = GetParam();
    if (c.liveViewRunning) {
        camera().setProperty(kPropEvfOutputDevice, kEvfOutputComputer);
        model().setValue(kPropEvfOutputDevice, kEvfOutputComputer);
    }
    camera().failNext(c.failing, c.code, 1);
    const auto command = c.make(model());
    EXPECT_EQ(command->perform(), c.finished);
    EXPECT_EQ(rig.events.trace(), c.events);
    EXPECT_EQ(camera().shotsTaken(), 0);
}

constexpr SdkError kBusy = kSdkDeviceBusy;
constexpr SdkError kFails = 0x05;

template <class T> std::function<std::unique_ptr<Command>(CameraModel &)> Plain()
{
    return [](CameraModel &model) { return std::make_unique<T>(model); };
}

template <class T> std::function<std::unique_ptr<Command>(CameraModel &)> With(std::uint32_t value)
{
    return [value](CameraModel &model) { return std::make_unique<T>(model, value); };
}

std::function<std::unique_ptr<Command>(CameraModel &)> SetAeMode()
{
    return [](CameraModel &model) { return std::make_unique<SetPropertyCommand>(model, kPropExposureMode, 3u); };
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FailureRules,
    testing::Values(
        RuleCase{"set_property_busy_retried", SetAeMode(), Op::WriteProperty, kBusy, false, false, "DeviceBusy"},
        RuleCase{"set_property_error_dropped", SetAeMode(), Op::WriteProperty, kFails, false, true, "error 5"},
        RuleCase{"get_property_busy_retried", With<GetPropertyCommand>(kPropIso), Op::ReadProperty, kBusy, false, false, "DeviceBusy"},
        RuleCase{"get_desc_error_dropped", With<GetPropertyDescCommand>(kPropIso), Op::PropertyDesc, kFails, false, true, "error 5"},
        RuleCase{"picture_while_busy_not_retried", Plain<TakePictureCommand>(), Op::CameraCommand, kBusy, false, true, "DeviceBusy"},
        RuleCase{"picture_error", Plain<TakePictureCommand>(), Op::CameraCommand, kFails, false, true, "error 5"},
        RuleCase{"shutter_busy_dropped", With<PressShutterButtonCommand>(kShutterHalfway), Op::CameraCommand, kBusy, false, true, "DeviceBusy"},
        RuleCase{"lens_busy_dropped", With<DriveLensCommand>(kLensFar2), Op::CameraCommand, kBusy, false, true, "DeviceBusy"},
        RuleCase{"autofocus_error_dropped", With<DoEvfAFCommand>(kEvfAfOn), Op::CameraCommand, kFails, false, true, "error 5"},
        RuleCase{"capacity_busy_told_as_error", [](CameraModel &model) { return std::make_unique<SetCapacityCommand>(model, CapacityRecord{1, 512, 0}); },
                 Op::SetCapacity, kBusy, false, true, "error 129"},
        RuleCase{"close_session_error", Plain<CloseSessionCommand>(), Op::CloseSession, kFails, false, true, "error 5"},
        RuleCase{"start_live_view_busy_retried", Plain<StartEvfCommand>(), Op::WriteProperty, kBusy, false, false, "DeviceBusy"},
        RuleCase{"start_live_view_error_dropped", Plain<StartEvfCommand>(), Op::WriteProperty, kFails, false, true, "error 5"},
        RuleCase{"end_live_view_busy_retried", Plain<EndEvfCommand>(), Op::WriteProperty, kBusy, true, false, "DeviceBusy"},
        RuleCase{"end_live_view_error_retried", Plain<EndEvfCommand>(), Op::WriteProperty, kFails, true, false, "error 5"},
        RuleCase{"end_live_view_when_off_does_nothing", Plain<EndEvfCommand>(), Op::Any, kFails, false, true, ""},
        RuleCase{"frame_not_ready_retried_silently", Plain<DownloadEvfCommand>(), Op::FetchLiveViewFrame, kSdkFrameNotReady, true, false, ""},
        RuleCase{"frame_busy_retried", Plain<DownloadEvfCommand>(), Op::FetchLiveViewFrame, kBusy, true, false, "DeviceBusy"},
        RuleCase{"frame_error_ends_fetching", Plain<DownloadEvfCommand>(), Op::FetchLiveViewFrame, kFails, true, true, "error 5"},
        RuleCase{"frame_without_live_view_not_fetched", Plain<DownloadEvfCommand>(), Op::Any, kFails, false, true, ""},
        RuleCase{"notify_cannot_fail", [](CameraModel &model) { return std::make_unique<NotifyCommand>(model, "shutDown"); },
                 Op::Any, kFails, false, true, "shutDown"}),
    [](const testing::TestParamInfo<RuleCase> &info) { return std::string(info.param.name); });

// Live view: started, a frame fetched into the model, and ended; the depth-
// of-field preview is switched off first when it is on.
TEST_F(Commands, LiveViewStartsDeliversFramesAndEnds)
{
    EXPECT_TRUE(StartEvfCommand(model()).perform());
    EXPECT_EQ(camera().calls(), (std::vector<std::string>{"writeProperty 1281=1", "writeProperty 1280=2"}));
    EXPECT_TRUE(GetPropertyCommand(model(), kPropEvfOutputDevice).perform());
    EXPECT_TRUE(GetPropertyCommand(model(), kPropEvfMode).perform());
    ASSERT_EQ(model().value(kPropEvfOutputDevice), kEvfOutputComputer);

    settle();
    EXPECT_TRUE(StartEvfCommand(model()).perform());
    EXPECT_EQ(camera().calls(), (std::vector<std::string>{"writeProperty 1280=2"})) << "live-view mode already on";

    struct FrameCheck final : Observer
    {
        void onModelEvent(Observable &, const ModelEvent &event) override
        {
            if (event.name != kModelEvfDataChanged)
                return;
            const auto &frame = *static_cast<const LiveViewFrame *>(event.argument);
            const void *data = nullptr;
            std::uint64_t length = 0;
            sdk->streamData(frame.stream, &data);
            sdk->streamLength(frame.stream, &length);
            jpeg = data && length > 2 && static_cast<const unsigned char *>(data)[0] == 0xFF
                   && static_cast<const unsigned char *>(data)[1] == 0xD8;
            zoom = frame.zoom;
            coordinates = frame.coordinates;
        }
        CameraSdk *sdk = nullptr;
        bool jpeg = false;
        std::uint32_t zoom = 0;
        CameraSize coordinates;
    } frames;
    frames.sdk = &camera();
    model().attach(&frames);
    const int objects = camera().liveObjects();
    EXPECT_TRUE(DownloadEvfCommand(model()).perform());
    EXPECT_TRUE(frames.jpeg);
    EXPECT_EQ(frames.zoom, kEvfZoomFit);
    EXPECT_EQ(frames.coordinates.width, 6000);
    EXPECT_EQ(model().zoomPosition().x, camera().zoomPosition().x);
    EXPECT_EQ(camera().liveObjects(), objects) << "stream and image given back";

    settle();
    model().setValue(kPropEvfDepthOfFieldPreview, 1);
    EXPECT_TRUE(EndEvfCommand(model()).perform());
    EXPECT_EQ(camera().calls(), (std::vector<std::string>{"writeProperty 1284=0", "writeProperty 1280=0"}));
    // Known before the camera tells: a frame fetch queued behind it asks the camera nothing.
    EXPECT_EQ(model().value(kPropEvfOutputDevice) & kEvfOutputComputer, 0u);
    camera().clearCalls();
    EXPECT_TRUE(DownloadEvfCommand(model()).perform());
    EXPECT_TRUE(camera().calls().empty());
}

// Through the processor: a busy write comes back until the camera takes it,
// and live view is ended however often the camera refuses.
TEST(CommandRetries, BusyWritesAndLiveViewEndComeBackUntilAccepted)
{
    SetPauseScale(0.02);
    SimulatedRig rig;
    ASSERT_TRUE(rig.session);
    SimulatedCamera &camera = *rig.camera;
    rig.session->open();
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));

    camera.failNext(Op::WriteProperty, kSdkDeviceBusy, 3);
    std::uint32_t mode = 3;
    Raise(rig.session->controller(), "set_AEMode", &mode);
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropExposureMode)) << "the camera's event after it took the value";
    EXPECT_EQ(camera.property(kPropExposureMode), 3u);
    EXPECT_EQ(camera.callCount("writeProperty 1078=3"), 4);
    EXPECT_EQ(rig.events.count("DeviceBusy"), 3);
    EXPECT_EQ(rig.events.count("error"), 0);

    Raise(rig.session->controller(), "startEVF");
    ASSERT_TRUE(Eventually([&] { return rig.session->model().value(kPropEvfOutputDevice) & kEvfOutputComputer; }));
    camera.failProperty(Op::WriteProperty, kPropEvfOutputDevice, 0x05, 2);
    Raise(rig.session->controller(), "endEVF");
    ASSERT_TRUE(Eventually([&] { return rig.session->model().value(kPropEvfOutputDevice) == 0; }));
    EXPECT_EQ(camera.callCount("writeProperty 1280=0"), 3);
    EXPECT_EQ(rig.events.count("error", 5), 2);
    SetPauseScale(1.0);
}

} // namespace
