#pragma once

#include "camera/ModelEvents.h"
#include "camera/sdk/CameraSdk.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

// The last known state of the connected camera. Commands write it on the
// command processor's thread; the window's controls read it on the
// user-interface thread, so every access takes a short lock and reads
// return copies.
class CameraModel : public Observable
{
public:
    // The camera reference is not owned: the camera start-up releases it.
    CameraModel(CameraSdk &sdk, SdkRef camera);
    ~CameraModel() override = default;

    CameraSdk &sdk() const { return m_sdk; }
    SdkRef camera() const { return m_camera; }
    // Cameras of the older protocol (device sub-type 0) get the legacy model.
    virtual bool isLegacy() const { return false; }

    // The camera's model name (property 2).
    std::string name() const;
    // Keeps at most kNameBytes bytes, cut before a character that does not fit whole.
    void setName(std::string_view name);
    static constexpr std::size_t kNameBytes = 255;

    // The single 32-bit values the model keeps: exposure mode, aperture,
    // shutter speed, ISO, metering, exposure compensation, image quality,
    // live-view mode, output device, depth-of-field preview, zoom, AF mode.
    // Other ids read 0 and are not stored.
    std::uint32_t value(std::uint32_t id) const;
    void setValue(std::uint32_t id, std::uint32_t value);
    static bool keepsValue(std::uint32_t id);
    // The ids a property read stores (the zoom comes with live-view frames only).
    static bool storesRead(std::uint32_t id);

    CameraPoint zoomPosition() const;
    void setZoomPosition(CameraPoint position);
    CameraRect zoomRect() const;
    void setZoomRect(CameraRect rect);

    FocusRecord focusRecord() const;
    void setFocusRecord(const FocusRecord &record);

    // Descriptions of the allowed values, kept for exposure mode, aperture,
    // shutter speed, ISO, metering, exposure compensation, image quality and AF mode.
    PropertyDesc propertyDesc(std::uint32_t id) const;
    void setPropertyDesc(std::uint32_t id, const PropertyDesc &desc);
    static bool keepsDesc(std::uint32_t id);

private:
    template <class T> T read(const T &field) const
    {
        std::lock_guard lock(m_mutex);
        return field;
    }
    template <class T> void write(T &field, const T &value)
    {
        std::lock_guard lock(m_mutex);
        field = value;
    }

    CameraSdk &m_sdk;
    const SdkRef m_camera;
    mutable std::mutex m_mutex;
    std::string m_name;
    std::map<std::uint32_t, std::uint32_t> m_values;
    CameraPoint m_zoomPosition;
    CameraRect m_zoomRect;
    FocusRecord m_focus;
    std::map<std::uint32_t, PropertyDesc> m_descs;
};

// The model built for cameras of the older protocol; it behaves alike here.
class CameraModelLegacy final : public CameraModel
{
public:
    using CameraModel::CameraModel;
    bool isLegacy() const override { return true; }
};
