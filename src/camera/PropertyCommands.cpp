#include "camera/PropertyCommands.h"

#include "camera/CameraModel.h"
#include "camera/ModelEvents.h"

#include <algorithm>
#include <memory>
#include <vector>

bool PropertyReadCommand::perform()
{
    SdkError code = kSdkOk;
    if (m_id != kAllProperties) {
        code = readOne(m_id);
    } else {
        // In order, up to the first failure.
        for (const std::uint32_t id : kAllPropertyIds)
            if ((code = readOne(id)) != kSdkOk)
                break;
    }
    if (code == kSdkOk)
        return true;
    reportFailure(code);
    return !IsDeviceBusy(code);
}

SdkError GetPropertyCommand::readOne(std::uint32_t id) const
{
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    SdkError code = sdk().propertySize(camera(), id, 0, &type, &size);
    if (code != kSdkOk)
        return code;
    if (type == kDataUInt32) {
        std::uint32_t value = 0;
        code = sdk().readProperty(camera(), id, 0, sizeof value, &value);
        if (code == kSdkOk && CameraModel::storesRead(id))
            model().setValue(id, value);
    } else if (type == kDataText) {
        std::vector<char> text(std::max<std::uint32_t>(size, 1) + 1, '\0');
        code = sdk().readProperty(camera(), id, 0, size, text.data());
        if (code == kSdkOk && id == kPropCameraModel)
            model().setName(text.data());
    } else if (type == kDataFocusRecord) {
        auto record = std::make_unique<FocusRecord>();
        code = sdk().readProperty(camera(), id, 0, sizeof(FocusRecord), record.get());
        if (code == kSdkOk)
            model().setFocusRecord(*record);
    }
    if (code == kSdkOk)
        model().broadcast({kModelPropertyChanged, &id});
    return code;
}

SdkError GetPropertyDescCommand::readOne(std::uint32_t id) const
{
    PropertyDesc desc;
    const SdkError code = sdk().propertyDesc(camera(), id, &desc);
    if (code != kSdkOk)
        return code;
    model().setPropertyDesc(id, desc);
    model().broadcast({kModelPropertyDescChanged, &id});
    return kSdkOk;
}

SetPropertyCommand::SetPropertyCommand(CameraModel &model, std::uint32_t id, std::uint32_t value)
    : Command(model), m_id(id), m_value(value), m_isPoint(false)
{
}

SetPropertyCommand::SetPropertyCommand(CameraModel &model, std::uint32_t id, CameraPoint point)
    : Command(model), m_id(id), m_point(point), m_isPoint(true)
{
}

bool SetPropertyCommand::perform()
{
    const SdkError code = m_isPoint ? sdk().writeProperty(camera(), m_id, 0, sizeof m_point, &m_point)
                                    : sdk().writeProperty(camera(), m_id, 0, sizeof m_value, &m_value);
    if (code == kSdkOk)
        return true;
    reportFailure(code);
    return !IsDeviceBusy(code);
}
