#include "camera/ShutterCommands.h"

bool CameraActionCommand::perform()
{
    const SdkError code = sdk().cameraCommand(camera(), m_command, std::int32_t(m_parameter));
    if (code != kSdkOk)
        reportFailure(code);
    return true;
}

bool TakePictureCommand::perform()
{
    CameraActionCommand::perform();
    // Released in any case, so a press that half worked never leaves the shutter held; the result does not matter.
    sdk().cameraCommand(camera(), kCmdShutter, std::int32_t(kShutterOff));
    return true;
}
