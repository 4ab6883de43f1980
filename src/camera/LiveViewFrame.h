#pragma once

#include "camera/sdk/CameraSdk.h"

#include <cstdint>

// One live-view frame as "EvfDataChanged" hands it to observers: the stream
// with the frame's JPEG bytes (valid only during the broadcast), the zoom
// (1 = whole picture), the zoom rectangle and the size of the coordinate
// system both are given in.
struct LiveViewFrame
{
    SdkRef stream = nullptr;
    std::uint32_t zoom = 0;
    CameraRect zoomRect;
    CameraSize coordinates;
};
