#include "camera/CameraModel.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kValueIds{
    kPropExposureMode, kPropAperture, kPropShutterSpeed, kPropIso, kPropMetering, kPropExposureCompensation,
    kPropImageQuality, kPropEvfMode, kPropEvfOutputDevice, kPropEvfDepthOfFieldPreview, kPropEvfZoom, kPropEvfAfMode,
};

constexpr std::array kDescIds{
    kPropExposureMode, kPropAperture, kPropShutterSpeed, kPropIso, kPropMetering, kPropExposureCompensation,
    kPropImageQuality, kPropEvfAfMode,
};

template <std::size_t N> bool Contains(const std::array<SdkProperty, N> &ids, std::uint32_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The length of the longest prefix of at most limit bytes that does not cut a UTF-8 sequence.
std::size_t WholeCharacters(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    std::size_t length = limit;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

} // namespace

CameraModel::CameraModel(CameraSdk &sdk, SdkRef camera)
    : m_sdk(sdk), m_camera(camera)
{
}

std::string CameraModel::name() const
{
    std::lock_guard lock(m_mutex);
    return m_name;
}

void CameraModel::setName(std::string_view name)
{
    name = name.substr(0, name.find('\0'));
    std::lock_guard lock(m_mutex);
    m_name.assign(name.substr(0, WholeCharacters(name, kNameBytes)));
}

std::uint32_t CameraModel::value(std::uint32_t id) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_values.find(id);
    return it == m_values.end() ? 0 : it->second;
}

void CameraModel::setValue(std::uint32_t id, std::uint32_t value)
{
    if (!keepsValue(id))
        return;
    std::lock_guard lock(m_mutex);
    m_values[id] = value;
}

bool CameraModel::keepsValue(std::uint32_t id)
{
    return Contains(kValueIds, id);
}

bool CameraModel::storesRead(std::uint32_t id)
{
    return keepsValue(id) && id != kPropEvfZoom;
}

CameraPoint CameraModel::zoomPosition() const
{
    return read(m_zoomPosition);
}

void CameraModel::setZoomPosition(CameraPoint position)
{
    write(m_zoomPosition, position);
}

CameraRect CameraModel::zoomRect() const
{
    return read(m_zoomRect);
}

void CameraModel::setZoomRect(CameraRect rect)
{
    write(m_zoomRect, rect);
}

FocusRecord CameraModel::focusRecord() const
{
    return read(m_focus);
}

void CameraModel::setFocusRecord(const FocusRecord &record)
{
    write(m_focus, record);
}

PropertyDesc CameraModel::propertyDesc(std::uint32_t id) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_descs.find(id);
    return it == m_descs.end() ? PropertyDesc{} : it->second;
}

void CameraModel::setPropertyDesc(std::uint32_t id, const PropertyDesc &desc)
{
    if (!keepsDesc(id))
        return;
    std::lock_guard lock(m_mutex);
    m_descs[id] = desc;
}

bool CameraModel::keepsDesc(std::uint32_t id)
{
    return Contains(kDescIds, id);
}
