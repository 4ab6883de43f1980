#include "camera/sdk/CameraBackend.h"

#include "camera/sdk/GphotoCamera.h"
#include "camera/sdk/SimulatedCamera.h"

#include <gphoto2/gphoto2-port-result.h>

#include <cstdlib>
#include <string_view>

std::unique_ptr<CameraSdk> MakeCameraSdk()
{
    const char *choice = std::getenv("VELLORA_CAMERA");
    if (choice && std::string_view(choice) == "simulated")
        return std::make_unique<SimulatedCamera>();
    return std::make_unique<GphotoCamera>(MakeGphotoCalls());
}

std::string DescribeCameraError(SdkError code)
{
    switch (code) {
    case kSdkOk: return "no error";
    case kSdkNoCamera: return "no camera found";
    case kSdkDeviceBusy: return "the camera is busy";
    case kSdkFrameNotReady: return "no live-view frame ready";
    case kSdkCommunicationError: return "the camera stopped answering (unplugged or switched off)";
    default: break;
    }
    if (!IsGphotoError(code))
        return "camera error " + std::to_string(code);
    const int result = -int(code & 0xFFFF);
    std::string text = "libgphoto2: " + GphotoResultText(result) + " (" + std::to_string(result) + ")";
    if (result == GP_ERROR_IO_USB_CLAIM || result == GP_ERROR_IO_LOCK)
        text = "the camera is held by another program, such as the desktop's automatic camera mounting; " + text;
    return text;
}
