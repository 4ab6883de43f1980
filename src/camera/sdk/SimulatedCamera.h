#pragma once

#include "camera/sdk/CameraEventSource.h"
#include "camera/sdk/CameraSdk.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// A virtual camera inside the process behind the camera library's interface:
// a model name, exposure and live-view properties with their descriptions,
// shots written as real JPEG files, live-view JPEG frames with a focus record
// and zoom rectangle, and events delivered on a thread of its own, as a real
// camera delivers them. Switches make it busy, not ready, failing, slow to
// transfer or switched off. The tests drive the camera layer with it, and
// the program uses it when started with VELLORA_CAMERA=simulated.
// Every member may be called from any thread.
class SimulatedCamera final : public CameraEventSource
{
public:
    // The operations a failure can be planned for.
    enum class Operation {
        Any, // every operation on the camera, its items and streams
        OpenSession,
        CloseSession,
        StatusCommand,
        SetCapacity,
        PropertySize,
        ReadProperty,
        WriteProperty,
        PropertyDesc,
        CameraCommand,
        TransferItemInfo,
        CreateFileStream,
        Download,
        DownloadComplete,
        FetchLiveViewFrame,
    };

    SimulatedCamera();
    ~SimulatedCamera() override;
    SimulatedCamera(const SimulatedCamera &) = delete;
    SimulatedCamera &operator=(const SimulatedCamera &) = delete;

    // --- Switches ---
    void setModelName(const std::string &name);
    void setSubType(std::uint32_t subType);
    // Whether a camera is attached at all (the camera list is empty otherwise).
    void setAttached(bool attached);
    // Sets a property as the camera itself would, without an event.
    void setProperty(std::uint32_t id, std::uint32_t value);
    void setDescription(std::uint32_t id, const std::vector<std::uint32_t> &values);
    // The next `times` calls of the operation fail with the code (times < 0: every call).
    void failNext(Operation operation, SdkError code, int times);
    // The same for the operation on one property only.
    void failProperty(Operation operation, std::uint32_t id, SdkError code, int times);
    void clearFailures();
    // The next `calls` operations answer busy, whatever they are.
    void busyFor(int calls) { failNext(Operation::Any, kSdkDeviceBusy, calls); }
    // The next `fetches` live-view fetches find no frame ready.
    void frameNotReadyFor(int fetches) { failNext(Operation::FetchLiveViewFrame, kSdkFrameNotReady, fetches); }
    // Each tenth of a transfer takes this long (through the pause function).
    void setTransferStepDelay(std::chrono::milliseconds delay);
    // Live-view frames of this many pixels (480 by 320 at first); frames repeat
    // after a short cycle, so the camera delivers them as fast as asked.
    void setLiveViewSize(int width, int height);
    // The coordinate system that frames give their zoom rectangle in (6000 by 4000 at first).
    void setLiveViewCoordinates(CameraSize coordinates);
    // The focus record the camera reports (nine points in a grid at first,
    // the centre one selected and in focus).
    void setFocusRecord(const FocusRecord &record);
    // The camera's name for the next shots; empty (the default) gives IMG_0001.JPG, IMG_0002.JPG, ...
    void setShotName(const std::string &name);
    // The camera is switched off: it reports its shutdown and answers nothing any more.
    void switchOff();
    // Events as the camera raises them by itself.
    void raisePropertyEvent(std::uint32_t event, std::uint32_t id);
    void raiseObjectEvent(std::uint32_t event);
    // Holds the event thread's deliveries back until released (for tests that
    // want several events queued at once).
    void holdEvents(bool hold);

    // --- What happened ---
    // One line per operation on the camera, its items and streams, in call
    // order, failed ones too: "openSession", "writeProperty 11=2",
    // "statusCommand 0", "setCapacity 2147483647 4096 1", "propertySize 1078",
    // "readProperty 1078", "propertyDesc 1078", "cameraCommand 4 3",
    // "transferItemInfo", "createFileStream IMG_0001.JPG", "download",
    // "downloadComplete", "fetchLiveViewFrame".
    std::vector<std::string> calls() const;
    void clearCalls();
    int callCount(const std::string &line) const;
    // Objects handed out and not yet given back.
    int liveObjects() const;
    int shotsTaken() const;
    std::uint32_t property(std::uint32_t id) const;
    CameraPoint zoomPosition() const;
    bool sessionOpen() const;
    bool started() const;
    // Waits until every queued event has been delivered and its handler returned.
    void waitForEvents() const;

    // The bytes of shot number `counter` (1 for the first shot).
    static QByteArray shotBytes(int counter);

    // --- The camera library's interface ---
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
    struct Failure
    {
        Operation operation;
        SdkError code;
        int remaining;
        std::int64_t property; // -1: any
    };
    class Object;
    class CameraListObject;
    class CameraObject;
    class ItemObject;
    class FileStreamObject;
    class MemoryStreamObject;
    class LiveViewImageObject;

    // Under m_mutex: logs the call and answers the planned failure, if any.
    SdkError gateLocked(Operation operation, const std::string &line, std::int64_t property = -1);
    bool isCameraLocked(SdkRef ref) const;
    bool acceptsHandlers(SdkRef camera) const override;
    template <class T> T *objectLocked(SdkRef ref) const;
    SdkRef adoptLocked(Object *object);
    void queueLocked(Event event);
    void eventLoop();
    std::uint32_t valueLocked(std::uint32_t id) const;
    FocusRecord focusRecordLocked() const;
    QByteArray liveViewFrameLocked(int counter);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::set<SdkRef> m_objects;
    std::vector<std::string> m_calls;
    std::vector<Failure> m_failures;

    std::string m_modelName = "Simulated Body 70";
    std::uint32_t m_subType = 1;
    bool m_attached = true;
    bool m_switchedOff = false;
    bool m_started = false;
    bool m_session = false;
    std::map<std::uint32_t, std::uint32_t> m_values;
    std::map<std::uint32_t, std::vector<std::uint32_t>> m_descriptions;
    CameraPoint m_zoomPosition{2600, 1700};
    std::string m_shotName;
    int m_shots = 0;
    int m_frames = 0;
    int m_frameWidth = 480;
    int m_frameHeight = 320;
    std::vector<QByteArray> m_frameCycle; // the frames of the current size, drawn once each
    CameraSize m_coordinates{6000, 4000};
    std::unique_ptr<FocusRecord> m_focusRecord; // null: the grid of nine
    std::chrono::milliseconds m_transferStepDelay{0};

    std::deque<Event> m_events;
    bool m_delivering = false;
    bool m_holdEvents = false;
    bool m_stopEvents = false;
    std::thread m_eventThread;
};
