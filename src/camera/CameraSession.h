#pragma once

#include "camera/ShotFiling.h"
#include "camera/sdk/CameraSdk.h"

#include <functional>
#include <memory>
#include <mutex>

class CameraController;
class CameraModel;

// One connected camera from start-up to the end of its camera window: the
// camera library, the camera, its model and its controller (with the command
// processor). Every way the window closes (disconnect, Escape, the camera
// switched off) ends in close(), which stops the processor in order before
// anything it uses goes away. Built and closed on the user-interface thread.
class CameraSession final
{
public:
    // Starts the library, takes its first camera, reads its device
    // information, builds the model and the controller, registers the event
    // handlers and makes them the program's current camera. Nothing, and the
    // failing code in *error (kSdkNoCamera when no camera is attached), when
    // the library does not start or no camera can be read; the library is
    // stopped again then.
    static std::unique_ptr<CameraSession> connect(std::unique_ptr<CameraSdk> sdk, ShotFiling filing, SdkError *error = nullptr);
    ~CameraSession();
    CameraSession(const CameraSession &) = delete;
    CameraSession &operator=(const CameraSession &) = delete;

    CameraSdk &sdk() { return *m_sdk; }
    CameraModel &model() { return *m_model; }
    CameraController &controller() { return *m_controller; }

    // The camera window opening: the processor starts, then the session is
    // opened and the camera's model name read.
    void open();
    // The orderly stop: the session closed as the processor's last command,
    // the processor ended and waited for, the event handlers unregistered,
    // the camera released and the library stopped. Once; later calls do
    // nothing. Never on the processor's thread (it cannot wait for itself):
    // there it returns false and does nothing.
    bool close();

private:
    CameraSession(std::unique_ptr<CameraSdk> sdk, SdkRef camera, std::unique_ptr<CameraModel> model, ShotFiling filing);
    void registerHandlers();

    std::unique_ptr<CameraSdk> m_sdk; // destroyed last: the others give objects back to it
    SdkRef m_camera;
    std::unique_ptr<CameraModel> m_model;
    std::function<void()> m_endReview; // before the controller, which takes the filing over
    std::unique_ptr<CameraController> m_controller;
    std::mutex m_closing;
    bool m_closed = false;
};
