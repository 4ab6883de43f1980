#include "camera/CameraController.h"

#include "camera/CameraModel.h"
#include "camera/LiveViewCommands.h"
#include "camera/PropertyCommands.h"
#include "camera/SessionCommands.h"
#include "camera/ShutterCommands.h"
#include "camera/TransferCommand.h"

#include <algorithm>
#include <string_view>

namespace {

using Builder = std::unique_ptr<Command> (*)(CameraModel &model, void *argument);

template <std::uint32_t Id> std::unique_ptr<Command> SetValue(CameraModel &model, void *argument)
{
    if (!argument)
        return nullptr;
    return std::make_unique<SetPropertyCommand>(model, Id, *static_cast<const std::uint32_t *>(argument));
}

template <std::uint32_t Id, std::uint32_t Value> std::unique_ptr<Command> SetFixed(CameraModel &model, void *)
{
    return std::make_unique<SetPropertyCommand>(model, Id, Value);
}

// The zoom position moved by one step of 128 sensor units; never below 0,
// and no upper bound here (the camera keeps the position inside its picture).
template <int Dx, int Dy> std::unique_ptr<Command> MoveFocus(CameraModel &model, void *)
{
    CameraPoint point = model.zoomPosition();
    point.x = std::max(0, point.x + Dx);
    point.y = std::max(0, point.y + Dy);
    return std::make_unique<SetPropertyCommand>(model, kPropEvfZoomPosition, point);
}

template <class Action, std::uint32_t Parameter> std::unique_ptr<Command> Act(CameraModel &model, void *)
{
    return std::make_unique<Action>(model, Parameter);
}

template <class Plain> std::unique_ptr<Command> Make(CameraModel &model, void *)
{
    return std::make_unique<Plain>(model);
}

template <class Read> std::unique_ptr<Command> ReadId(CameraModel &model, void *argument)
{
    if (!argument)
        return nullptr;
    return std::make_unique<Read>(model, *static_cast<const std::uint32_t *>(argument));
}

std::unique_ptr<Command> Capacity(CameraModel &model, void *argument)
{
    if (!argument)
        return nullptr;
    return std::make_unique<SetCapacityCommand>(model, *static_cast<const CapacityRecord *>(argument));
}

std::unique_ptr<Command> ShutDown(CameraModel &model, void *)
{
    return std::make_unique<NotifyCommand>(model, std::string(kModelShutDown));
}

struct Row
{
    std::string_view action;
    Builder build;
};

// Every action and the command it posts. "closing" and "download" are
// handled apart: one stops the processor, the other needs the shot filing.
constexpr Row kActions[] = {
    {"opensession", Make<OpenSessionCommand>},
    {"set_AEMode", SetValue<kPropExposureMode>},
    {"set_Av", SetValue<kPropAperture>},
    {"set_Tv", SetValue<kPropShutterSpeed>},
    {"set_ISOSpeed", SetValue<kPropIso>},
    {"set_MeteringMode", SetValue<kPropMetering>},
    {"set_ExposureCompensation", SetValue<kPropExposureCompensation>},
    {"set_ImageQuality", SetValue<kPropImageQuality>},
    {"set_EvfAFMode", SetValue<kPropEvfAfMode>},
    {"zoom_Fit", SetFixed<kPropEvfZoom, kEvfZoomFit>},
    {"zoom_Zoom", SetFixed<kPropEvfZoom, kEvfZoomMagnified>},
    {"focus_Up", MoveFocus<0, -128>},
    {"focus_Down", MoveFocus<0, 128>},
    {"focus_Left", MoveFocus<-128, 0>},
    {"focus_Right", MoveFocus<128, 0>},
    {"focus_Near1", Act<DriveLensCommand, kLensNear1>},
    {"focus_Near2", Act<DriveLensCommand, kLensNear2>},
    {"focus_Near3", Act<DriveLensCommand, kLensNear3>},
    {"focus_Far1", Act<DriveLensCommand, kLensFar1>},
    {"focus_Far2", Act<DriveLensCommand, kLensFar2>},
    {"focus_Far3", Act<DriveLensCommand, kLensFar3>},
    {"pressingHalfway", Act<PressShutterButtonCommand, kShutterHalfway>},
    {"pressingCompletely", Act<PressShutterButtonCommand, kShutterFully>},
    {"pressingOff", Act<PressShutterButtonCommand, kShutterOff>},
    {"evfAFOn", Act<DoEvfAFCommand, kEvfAfOn>},
    {"evfAFOff", Act<DoEvfAFCommand, kEvfAfOff>},
    {"TakePicture", Make<TakePictureCommand>},
    {"startEVF", Make<StartEvfCommand>},
    {"endEVF", Make<EndEvfCommand>},
    {"downloadEVF", Make<DownloadEvfCommand>},
    {"get_Property", ReadId<GetPropertyCommand>},
    {"get_PropertyDesc", ReadId<GetPropertyDescCommand>},
    {"set_Capacity", Capacity},
    {"shutDown", ShutDown},
};

} // namespace

CameraController::CameraController(CameraModel &model, ShotFiling filing)
    : m_model(model), m_filing(std::move(filing)), m_processor(std::make_unique<Processor>())
{
}

CameraController::~CameraController()
{
    // The processor's own destructor stops a thread still running, without closing the session.
    m_processor.reset();
}

void CameraController::onAction(const ActionEvent &event)
{
    if (event.command == "closing") {
        close();
        return;
    }
    // The flag is set before the command is posted: a shot reported meanwhile already goes the new way.
    if (event.command == "startEVF")
        LiveViewOn = true;
    else if (event.command == "endEVF")
        LiveViewOn = false;
    if (std::unique_ptr<Command> command = commandFor(event))
        m_processor->post(std::move(command));
}

std::unique_ptr<Command> CameraController::commandFor(const ActionEvent &event)
{
    if (event.command == "download") {
        if (!event.argument)
            return nullptr;
        return std::make_unique<DownloadCommand>(m_model, static_cast<SdkRef>(event.argument), m_filing);
    }
    for (const Row &row : kActions)
        if (row.action == event.command)
            return row.build(m_model, event.argument);
    return nullptr;
}

bool CameraController::close()
{
    return m_processor->stop(std::make_unique<CloseSessionCommand>(m_model));
}

SdkError CameraController::onPropertyEvent(std::uint32_t event, std::uint32_t property, std::uint32_t, void *context)
{
    ActionEvent action;
    if (event == kEventPropertyChanged)
        action.command = "get_Property";
    else if (event == kEventPropertyDescChanged)
        action.command = "get_PropertyDesc";
    else
        return kSdkOk;
    action.argument = &property;
    static_cast<CameraController *>(context)->onAction(action);
    return kSdkOk;
}

SdkError CameraController::onObjectEvent(std::uint32_t event, SdkRef object, void *context)
{
    auto *controller = static_cast<CameraController *>(context);
    if (event != kEventShotReady) {
        if (object)
            controller->model().sdk().release(object);
        return kSdkOk;
    }
    ActionEvent action;
    action.command = "download";
    action.argument = object;
    controller->onAction(action);
    return kSdkOk;
}

SdkError CameraController::onStateEvent(std::uint32_t event, std::uint32_t, void *context)
{
    if (event == kEventShutDown) {
        ActionEvent action;
        action.command = "shutDown";
        static_cast<CameraController *>(context)->onAction(action);
    }
    return kSdkOk;
}
