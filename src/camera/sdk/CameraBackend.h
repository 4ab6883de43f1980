#pragma once

#include "camera/sdk/CameraSdk.h"

#include <memory>

// The camera library the program drives: the simulated camera when the
// environment variable VELLORA_CAMERA is "simulated"; otherwise none yet
// (nothing), which the camera start-up reports as no camera found.
std::unique_ptr<CameraSdk> MakeCameraSdk();
