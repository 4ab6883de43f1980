#include "camera/CameraSession.h"

#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/CurrentCamera.h"
#include "camera/PropertyCommands.h"
#include "camera/SessionCommands.h"

namespace {

// The first attached camera and its device information.
SdkError FindCamera(CameraSdk &sdk, SdkRef *camera, DeviceInfo *info)
{
    SdkRef list = nullptr;
    SdkError code = sdk.cameraList(&list);
    std::int32_t count = 0;
    if (code == kSdkOk)
        code = sdk.childCount(list, &count);
    if (code == kSdkOk && count == 0)
        code = kSdkNoCamera;
    if (code == kSdkOk)
        code = sdk.childAt(list, 0, camera);
    if (code == kSdkOk)
        code = sdk.deviceInfo(*camera, info);
    if (list)
        sdk.release(list);
    return code;
}

} // namespace

std::unique_ptr<CameraSession> CameraSession::connect(std::unique_ptr<CameraSdk> sdk, ShotFiling filing, SdkError *error)
{
    SdkError ignored = kSdkOk;
    SdkError &code = error ? *error : ignored;
    if (!sdk) {
        code = kSdkNoCamera;
        return nullptr;
    }
    code = sdk->start();
    if (code != kSdkOk)
        return nullptr;
    SdkRef camera = nullptr;
    DeviceInfo info;
    code = FindCamera(*sdk, &camera, &info);
    if (code != kSdkOk) {
        if (camera)
            sdk->release(camera);
        sdk->stop();
        return nullptr;
    }
    std::unique_ptr<CameraModel> model = info.subType == 0 ? std::make_unique<CameraModelLegacy>(*sdk, camera)
                                                           : std::make_unique<CameraModel>(*sdk, camera);
    return std::unique_ptr<CameraSession>(new CameraSession(std::move(sdk), camera, std::move(model), std::move(filing)));
}

CameraSession::CameraSession(std::unique_ptr<CameraSdk> sdk, SdkRef camera, std::unique_ptr<CameraModel> model, ShotFiling filing)
    : m_sdk(std::move(sdk)), m_camera(camera), m_model(std::move(model)), m_endReview(filing.endReview),
      m_controller(std::make_unique<CameraController>(*m_model, std::move(filing)))
{
    SetCurrentCamera(m_model.get(), m_controller.get());
    registerHandlers();
}

CameraSession::~CameraSession()
{
    close();
}

// Each only when the one before was registered, as the library expects.
void CameraSession::registerHandlers()
{
    void *context = m_controller.get();
    if (m_sdk->setPropertyEventHandler(m_camera, kPropertyEventMask, &CameraController::onPropertyEvent, context) == kSdkOk
        && m_sdk->setObjectEventHandler(m_camera, kObjectEventMask, &CameraController::onObjectEvent, context) == kSdkOk)
        m_sdk->setStateEventHandler(m_camera, kStateEventMask, &CameraController::onStateEvent, context);
}

void CameraSession::open()
{
    Processor &processor = m_controller->processor();
    processor.start();
    processor.post(std::make_unique<OpenSessionCommand>(*m_model));
    processor.post(std::make_unique<GetPropertyCommand>(*m_model, kPropCameraModel));
}

bool CameraSession::close()
{
    // Asked before the lock: a close under way on another thread may be waiting for this very thread.
    if (m_controller->processor().isCurrentThread())
        return false;
    std::lock_guard closing(m_closing);
    if (m_closed)
        return true;
    if (m_endReview)
        m_endReview();
    if (!m_controller->close())
        return false;
    m_closed = true;
    // No handler may reach the controller any more; stopping the library
    // waits for one that runs right now.
    m_sdk->setPropertyEventHandler(m_camera, kPropertyEventMask, nullptr, nullptr);
    m_sdk->setObjectEventHandler(m_camera, kObjectEventMask, nullptr, nullptr);
    m_sdk->setStateEventHandler(m_camera, kStateEventMask, nullptr, nullptr);
    m_sdk->release(m_camera);
    m_sdk->stop();
    // Whatever a handler posted to the ended processor goes now, its transfer items with it.
    m_controller->processor().clearQueue();
    SetCurrentCamera(nullptr, nullptr);
    return true;
}
