#pragma once

#include "camera/sdk/CameraEventSource.h"
#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/GphotoCalls.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

// libgphoto2's other failures keep their own number: this base plus the
// number without its sign (GP_ERROR_NOT_SUPPORTED, -6, is 0x470006).
constexpr SdkError kGphotoErrorBase = 0x470000;
constexpr bool IsGphotoError(SdkError code) { return (code & 0xFFFF0000) == kGphotoErrorBase; }

// Real cameras through libgphoto2 behind the camera library's interface.
// The camera's configuration widgets stand for its properties (their choice
// texts turned into value codes), a capture for the shutter, a new file on
// the camera for a shot ready for transfer, preview frames for live view.
// The camera is opened when it is taken from the camera list, so a camera
// held by another program fails the start-up at once. Events are read on a
// thread of the library's own, in short waits that give way to any
// operation asked for meanwhile. A camera that stops answering (unplugged,
// switched off) is reported once as shut down and answers nothing after.
// Every member may be called from any thread.
class GphotoCamera final : public CameraEventSource
{
public:
    // Looks for cameras with libgphoto2's detection, or takes the one camera
    // given (a model and port libgphoto2 knows, e.g. "Directory Browse" on
    // "disk:/some/folder").
    explicit GphotoCamera(std::unique_ptr<GphotoCalls> calls, std::optional<GphotoCameraId> only = std::nullopt);
    ~GphotoCamera() override;
    GphotoCamera(const GphotoCamera &) = delete;
    GphotoCamera &operator=(const GphotoCamera &) = delete;

    // Libraries started and not stopped, and objects handed out and not
    // given back, over every GphotoCamera of the process.
    static int startedNow();
    static int objectsNow();

    SdkError start() override;
    SdkError stop() override;
    SdkError cameraList(SdkRef *list) override;
    SdkError childCount(SdkRef list, std::int32_t *count) override;
    SdkError childAt(SdkRef list, std::int32_t index, SdkRef *child) override;
    SdkError deviceInfo(SdkRef camera, DeviceInfo *info) override;
    SdkError release(SdkRef object) override;
    SdkError openSession(SdkRef camera) override;
    SdkError closeSession(SdkRef camera) override;
    SdkError statusCommand(SdkRef camera, std::uint32_t parameter) override;
    SdkError setCapacity(SdkRef camera, const CapacityRecord &capacity) override;
    SdkError propertySize(SdkRef ref, std::uint32_t id, std::int32_t parameter, std::uint32_t *type, std::uint32_t *size) override;
    SdkError readProperty(SdkRef ref, std::uint32_t id, std::int32_t parameter, std::uint32_t size, void *buffer) override;
    SdkError writeProperty(SdkRef camera, std::uint32_t id, std::int32_t parameter, std::uint32_t size, const void *value) override;
    SdkError propertyDesc(SdkRef camera, std::uint32_t id, PropertyDesc *desc) override;
    SdkError cameraCommand(SdkRef camera, std::uint32_t command, std::int32_t parameter) override;
    SdkError transferItemInfo(SdkRef item, TransferItemInfo *info) override;
    SdkError createFileStream(const char *fileName, std::uint32_t disposition, std::uint32_t access, SdkRef *stream) override;
    SdkError setProgressHandler(SdkRef stream, ProgressHandler handler, std::uint32_t option, void *context) override;
    SdkError download(SdkRef item, std::uint64_t size, SdkRef stream) override;
    SdkError downloadComplete(SdkRef item) override;
    SdkError createMemoryStream(std::uint64_t capacity, SdkRef *stream) override;
    SdkError createLiveViewImage(SdkRef stream, SdkRef *image) override;
    SdkError fetchLiveViewFrame(SdkRef camera, SdkRef image) override;
    SdkError streamData(SdkRef stream, const void **data) override;
    SdkError streamLength(SdkRef stream, std::uint64_t *length) override;

private:
    class Object;
    class CameraListObject;
    class CameraObject;
    class ItemObject;
    class FileStreamObject;
    class MemoryStreamObject;
    class LiveViewImageObject;
    class CallLock;

    template <class T> T *object(SdkRef ref) const;
    SdkRef adopt(std::unique_ptr<Object> object);
    bool isOpenCamera(SdkRef ref) const;
    // The camera with its session open and still answering: kSdkOk, else the code to give.
    SdkError inSession(SdkRef camera) const;
    // libgphoto2's result as a code of this library; a camera gone is told once.
    SdkError translate(int result);
    void queue(Event event);
    void reportShot(const GphotoFile &file);
    void reportAddedFile(const GphotoFile &file);
    bool acceptsHandlers(SdkRef camera) const override;

    // Under the call lock.
    int readSettingOf(std::uint32_t id, GphotoSetting *setting, std::string *widget);
    SdkError writeWidgetIfPresent(const std::string &name, const std::string &value);
    SdkError readValue(std::uint32_t id, std::uint32_t *value);
    SdkError writeValue(std::uint32_t id, std::uint32_t value);
    SdkError shutter(std::uint32_t parameter);

    void startEvents();
    void stopEvents();
    void eventLoop();
    void watchFiles();

    const std::unique_ptr<GphotoCalls> m_calls;
    const std::optional<GphotoCameraId> m_only;

    // libgphoto2 is called by one thread at a time; operations go before the event thread.
    std::mutex m_callMutex;
    std::condition_variable m_callFree;
    int m_callsWaiting = 0; // under m_stateMutex
    std::chrono::steady_clock::time_point m_lastCall; // under m_stateMutex

    mutable std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    std::set<SdkRef> m_objects;
    bool m_started = false;
    bool m_opened = false;     // the camera's driver and port are open
    bool m_session = false;
    bool m_gone = false;       // the camera stopped answering
    GphotoCameraId m_camera;
    std::map<std::uint32_t, std::uint32_t> m_values; // live-view properties the camera keeps no widget for
    bool m_shotsInCameraRam = false;
    bool m_halfPressed = false;
    std::set<GphotoFile> m_knownFiles; // reported or there before; a file is reported once until it is deleted
    std::set<GphotoFile> m_deletedFiles; // downloaded and deleted; an event for one may be a late echo
    bool m_watchingFiles = false;      // a camera that tells no events is watched by listing its files
    std::map<GphotoFile, std::uint64_t> m_growingFiles; // new files seen once, with their size then

    std::deque<Event> m_events;
    bool m_stopEvents = false;
    std::thread m_eventThread;
};
