#pragma once

#include "camera/sdk/CameraSdk.h"

#include <memory>
#include <string>

// The camera library the program drives, chosen once at camera start-up:
// the simulated camera when the environment variable VELLORA_CAMERA is
// "simulated", real cameras over libgphoto2 otherwise.
std::unique_ptr<CameraSdk> MakeCameraSdk();

// What a failing code of the camera library means, for the run log
// ("no camera found", "the camera is held by another program ...").
std::string DescribeCameraError(SdkError code);
