#include "camera/Actions.h"
#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/ModelEvents.h"
#include "camera/ShotFiling.h"
#include "platform/Pause.h"

#include "tests/camera/CameraTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// The lines appear in this order among the camera's calls (others may come between).
bool CallsInOrder(const std::vector<std::string> &calls, const std::vector<std::string> &expected)
{
    std::size_t next = 0;
    for (const std::string &call : calls)
        if (next < expected.size() && call == expected[next])
            ++next;
    return next == expected.size();
}

std::string Joined(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "; ";
    return text;
}

struct ActionRow
{
    const char *action;
    std::optional<std::uint32_t> argument;
    std::vector<std::string> calls; // what the posted command asks of the camera
};

void PrintTo(const ActionRow &row, std::ostream *out)
{
    *out << row.action;
}

class ActionTable : public testing::TestWithParam<ActionRow>
{
protected:
    void SetUp() override { SetPauseScale(0.02); }
    void TearDown() override
    {
        SetPauseScale(1.0);
        LiveViewOn = false;
    }
};

// Each action, raised on an open session with the zoom position at (4000, 100),
// reaches the camera as the command its row names.
TEST_P(ActionTable, PostsItsCommand)
{
    const ActionRow &row = GetParam();
    SimulatedRig rig;
    ASSERT_TRUE(rig.session);
    rig.session->open();
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));
    rig.camera->waitForEvents();
    rig.camera->clearCalls();
    rig.session->model().setZoomPosition({4000, 100});

    std::uint32_t value = row.argument.value_or(0);
    Raise(rig.session->controller(), row.action, row.argument ? &value : nullptr);
    EXPECT_TRUE(Eventually([&] { return CallsInOrder(rig.camera->calls(), row.calls); }))
        << "calls: " << Joined(rig.camera->calls());
}

INSTANTIATE_TEST_SUITE_P(
    Controller, ActionTable,
    testing::Values(
        ActionRow{"opensession", {}, {"openSession", "writeProperty 11=2", "statusCommand 0"}},
        ActionRow{"set_AEMode", 3u, {"writeProperty 1078=3"}},
        ActionRow{"set_Av", 40u, {"writeProperty 1029=40"}},
        ActionRow{"set_Tv", 88u, {"writeProperty 1030=88"}},
        ActionRow{"set_ISOSpeed", 80u, {"writeProperty 1026=80"}},
        ActionRow{"set_MeteringMode", 5u, {"writeProperty 1027=5"}},
        ActionRow{"set_ExposureCompensation", 248u, {"writeProperty 1031=248"}},
        ActionRow{"set_ImageQuality", 0x12FF0Fu, {"writeProperty 256=1244943"}},
        ActionRow{"set_EvfAFMode", 2u, {"writeProperty 1294=2"}},
        ActionRow{"zoom_Fit", {}, {"writeProperty 1287=1"}},
        ActionRow{"zoom_Zoom", {}, {"writeProperty 1287=5"}},
        ActionRow{"focus_Up", {}, {"writeProperty 1288=(4000,0)"}},      // y 100 - 128 stops at 0
        ActionRow{"focus_Down", {}, {"writeProperty 1288=(4000,228)"}},
        ActionRow{"focus_Left", {}, {"writeProperty 1288=(3872,100)"}},
        ActionRow{"focus_Right", {}, {"writeProperty 1288=(4128,100)"}}, // no upper bound
        ActionRow{"focus_Near1", {}, {"cameraCommand 259 1"}},
        ActionRow{"focus_Near2", {}, {"cameraCommand 259 2"}},
        ActionRow{"focus_Near3", {}, {"cameraCommand 259 3"}},
        ActionRow{"focus_Far1", {}, {"cameraCommand 259 32769"}},
        ActionRow{"focus_Far2", {}, {"cameraCommand 259 32770"}},
        ActionRow{"focus_Far3", {}, {"cameraCommand 259 32771"}},
        ActionRow{"pressingHalfway", {}, {"cameraCommand 4 1"}},
        ActionRow{"pressingCompletely", {}, {"cameraCommand 4 3"}},
        ActionRow{"pressingOff", {}, {"cameraCommand 4 0"}},
        ActionRow{"evfAFOn", {}, {"cameraCommand 258 1"}},
        ActionRow{"evfAFOff", {}, {"cameraCommand 258 0"}},
        ActionRow{"TakePicture", {}, {"cameraCommand 4 3", "cameraCommand 4 0", "transferItemInfo", "download"}},
        ActionRow{"startEVF", {}, {"writeProperty 1281=1", "writeProperty 1280=2"}},
        ActionRow{"get_Property", 1029u, {"propertySize 1029", "readProperty 1029"}},
        ActionRow{"get_PropertyDesc", 1030u, {"propertyDesc 1030"}},
        ActionRow{"closing", {}, {"closeSession"}}),
    [](const testing::TestParamInfo<ActionRow> &info) { return std::string(info.param.action); });

// The rows whose effect is not a camera call of their own.
TEST(Controller, FlagsNotificationsAndNamesWithoutRow)
{
    SetPauseScale(0.02);
    SimulatedRig rig;
    ASSERT_TRUE(rig.session);
    CameraController &controller = rig.session->controller();
    Processor &processor = controller.processor();

    // Not started yet: what is posted stays countable in the queue.
    Raise(controller, "startEVF");
    EXPECT_TRUE(LiveViewOn);
    Raise(controller, "endEVF");
    EXPECT_FALSE(LiveViewOn);
    EXPECT_EQ(processor.queued(), 2u);

    std::uint32_t capacity[3] = {100, 512, 0};
    Raise(controller, "set_Capacity", capacity);
    Raise(controller, "downloadEVF");
    Raise(controller, "shutDown");
    EXPECT_EQ(processor.queued(), 5u);

    // Matching is exact and case-sensitive; a value action without its value posts nothing.
    for (const char *name : {"takepicture", "TakePicture ", "focus_Home", "set_AEMode", "download", ""})
        Raise(controller, name);
    EXPECT_EQ(processor.queued(), 5u);

    rig.session->open();
    ASSERT_TRUE(rig.events.waitFor("shutDown"));
    EXPECT_EQ(rig.camera->callCount("setCapacity 100 512 0"), 1);
    // endEVF with live view off and downloadEVF without live view leave the camera alone.
    EXPECT_EQ(rig.camera->callCount("writeProperty 1280=0"), 0);
    EXPECT_EQ(rig.camera->callCount("fetchLiveViewFrame"), 0);
    SetPauseScale(1.0);
}

// The library's handlers: what each event raises, and what never reaches the controller.
TEST(Controller, EventHandlersRaiseTheirActions)
{
    SetPauseScale(0.02);
    SimulatedRig rig;
    ASSERT_TRUE(rig.session);
    SimulatedCamera &camera = *rig.camera;
    Processor &processor = rig.session->controller().processor();
    const int objectsAtRest = camera.liveObjects(); // the camera itself

    // An object event other than a shot: released at once, nothing posted.
    camera.raiseObjectEvent(521);
    camera.raisePropertyEvent(259, kPropExposureMode); // neither changed value nor description
    camera.raiseObjectEvent(kEventShotReady);
    camera.waitForEvents();
    EXPECT_EQ(processor.queued(), 1u) << "only the shot's transfer";
    EXPECT_EQ(camera.liveObjects(), objectsAtRest + 1) << "the other object went back at once; the shot's item is held";

    rig.session->open();
    ASSERT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropCameraModel));
    // A value the model does not keep is told all the same.
    camera.raisePropertyEvent(kEventPropertyChanged, kPropSaveTo);
    camera.raisePropertyEvent(kEventPropertyChanged, kPropExposureMode);
    camera.raisePropertyEvent(kEventPropertyDescChanged, kPropShutterSpeed);
    EXPECT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropSaveTo));
    EXPECT_TRUE(rig.events.waitFor("PropertyChanged", 1, kPropExposureMode));
    EXPECT_TRUE(rig.events.waitFor("PropertyDescChanged", 1, kPropShutterSpeed));
    EXPECT_EQ(rig.events.count("PropertyChanged", kPropMetering), 0);
    SetPauseScale(1.0);
}

struct Counting final : public Observer
{
    void onModelEvent(Observable &, const ModelEvent &event) override { order += std::string(event.name) + tag; }
    std::string &order;
    std::string tag;
    Counting(std::string &order, std::string tag) : order(order), tag(std::move(tag)) {}
};

struct Listening final : public ActionListener
{
    void onAction(const ActionEvent &event) override { order += event.command + tag; }
    std::string &order;
    std::string tag;
    Listening(std::string &order, std::string tag) : order(order), tag(std::move(tag)) {}
};

// Observers: attached once however often, told last-attached first.
// Listeners: added once, told first-added first, with the current name.
TEST(Controller, ObserversAndListenersAreKeptOnceInOrder)
{
    std::string order;
    Observable model;
    Counting first(order, "1 "), second(order, "2 ");
    model.attach(&first);
    model.attach(&second);
    model.attach(&first);
    model.broadcast({"x", nullptr});
    EXPECT_EQ(order, "x2 x1 ");

    order.clear();
    ActionSource button;
    Listening a(order, "A "), b(order, "B ");
    button.setCommandName("TakePicture");
    button.addListener(&a);
    button.addListener(&b);
    button.addListener(&a);
    button.raise();
    button.setCommandName("startEVF");
    button.raise();
    EXPECT_EQ(order, "TakePictureA TakePictureB startEVFA startEVFB ");
}

} // namespace
