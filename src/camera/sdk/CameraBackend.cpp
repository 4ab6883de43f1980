#include "camera/sdk/CameraBackend.h"

#include "camera/sdk/SimulatedCamera.h"

#include <cstdlib>
#include <string_view>

std::unique_ptr<CameraSdk> MakeCameraSdk()
{
    const char *choice = std::getenv("VELLORA_CAMERA");
    if (choice && std::string_view(choice) == "simulated")
        return std::make_unique<SimulatedCamera>();
    return nullptr;
}
