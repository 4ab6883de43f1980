#pragma once

#include "photography/ui/CaptureSequence.h"

class PhotoQueue;

// What ends an interactive series: on the camera's processor thread the
// chosen shots are composed into the template for their number, the
// combination preview asks on the user-interface thread how many copies to
// print, and the picture is handed to `queue` on the processor thread again
// (the preview never decodes or moves files on the window's thread).
CaptureSequence::CombinationStep CombinationStepFor(PhotoQueue &queue);
