#include "camera/CurrentCamera.h"

#include <atomic>

namespace {

std::atomic<CameraModel *> g_model{nullptr};
std::atomic<CameraController *> g_controller{nullptr};

} // namespace

CameraModel *CurrentCameraModel()
{
    return g_model.load();
}

CameraController *CurrentCameraController()
{
    return g_controller.load();
}

void SetCurrentCamera(CameraModel *model, CameraController *controller)
{
    g_model.store(model);
    g_controller.store(controller);
}
