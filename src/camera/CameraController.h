#pragma once

#include "camera/Actions.h"
#include "camera/Processor.h"
#include "camera/ShotFiling.h"
#include "camera/sdk/CameraSdk.h"

#include <memory>

class CameraModel;

// Turns every action of the camera window's controls and of the camera
// library's events into a command for the command processor, which it owns.
// onAction runs on any thread and only posts, except "closing", which waits
// for the processor to end.
class CameraController final : public ActionListener
{
public:
    CameraController(CameraModel &model, ShotFiling filing);
    ~CameraController() override;

    void onAction(const ActionEvent &event) override;

    CameraModel &model() const { return m_model; }
    Processor &processor() { return *m_processor; }

    // The orderly stop: the session closed as the processor's final command,
    // the loop ended and the thread waited for. Once only; later calls and
    // calls on the processor's own thread do nothing (false for the latter).
    bool close();

    // The camera library's event handlers, registered with the controller as
    // their context. They run on whatever thread the library calls them on.
    static SdkError onPropertyEvent(std::uint32_t event, std::uint32_t property, std::uint32_t parameter, void *context);
    static SdkError onObjectEvent(std::uint32_t event, SdkRef object, void *context);
    static SdkError onStateEvent(std::uint32_t event, std::uint32_t parameter, void *context);

private:
    std::unique_ptr<Command> commandFor(const ActionEvent &event);

    CameraModel &m_model;
    const ShotFiling m_filing;
    std::unique_ptr<Processor> m_processor;
};
