#include "camera/SessionCommands.h"

#include "camera/CameraModel.h"
#include "camera/ModelEvents.h"

namespace {

// Room enough for any number of shots.
constexpr CapacityRecord kComputerCapacity{0x7FFFFFFF, 4096, 1};

} // namespace

bool OpenSessionCommand::perform()
{
    // Each step only after the one before succeeded; the unlock after any
    // successful lock, whatever the capacity report returned.
    SdkError code = sdk().openSession(camera());
    if (code == kSdkOk) {
        const std::uint32_t saveTo = kSaveToComputer;
        code = sdk().writeProperty(camera(), kPropSaveTo, 0, sizeof saveTo, &saveTo);
    }
    if (code == kSdkOk) {
        code = sdk().statusCommand(camera(), kStatusLock);
        if (code == kSdkOk) {
            code = sdk().setCapacity(camera(), kComputerCapacity);
            const SdkError unlocked = sdk().statusCommand(camera(), kStatusUnlock);
            if (code == kSdkOk)
                code = unlocked;
        }
    }
    if (code != kSdkOk)
        model().broadcast({kModelError, &code});
    return true;
}

bool CloseSessionCommand::perform()
{
    const SdkError code = sdk().closeSession(camera());
    if (code != kSdkOk)
        model().broadcast({kModelError, &code});
    return true;
}

bool SetCapacityCommand::perform()
{
    const SdkError code = sdk().setCapacity(camera(), m_capacity);
    if (code != kSdkOk)
        model().broadcast({kModelError, &code});
    return true;
}

bool NotifyCommand::perform()
{
    model().broadcast({m_name, nullptr});
    return true;
}
