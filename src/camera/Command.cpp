#include "camera/Command.h"

#include "camera/CameraModel.h"
#include "camera/ModelEvents.h"

CameraSdk &Command::sdk() const
{
    return m_model.sdk();
}

SdkRef Command::camera() const
{
    return m_model.camera();
}

void Command::reportFailure(SdkError code) const
{
    if (IsDeviceBusy(code))
        m_model.broadcast({kModelDeviceBusy, nullptr});
    else
        m_model.broadcast({kModelError, &code});
}
