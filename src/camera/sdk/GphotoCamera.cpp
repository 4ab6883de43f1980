#include "camera/sdk/GphotoCamera.h"

#include "camera/sdk/GphotoProperties.h"
#include "camera/sdk/PropertyValues.h"

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

using namespace std::chrono_literals;

namespace {

std::atomic<int> g_started{0};
std::atomic<int> g_objects{0};

// One wait for a camera event; an operation asked for meanwhile waits at most this long.
constexpr int kEventWaitMs = 100;
// After an operation the event thread waits this long before it waits on the
// camera again, so the next operation of a series (a command reads several
// properties) does not queue behind an event wait.
constexpr auto kQuietAfterCall = 30ms;
// How often a camera that tells no events has its files listed.
constexpr auto kWatchPeriod = 250ms;

// Results that mean the camera is no longer there (unplugged or switched off).
bool IsGone(int result)
{
    return result == GP_ERROR_IO || result == GP_ERROR_IO_READ || result == GP_ERROR_IO_WRITE
           || result == GP_ERROR_IO_USB_FIND;
}

// A widget the camera does not have: no configuration at all, or none of that name.
bool IsAbsent(int result)
{
    return result == GP_ERROR_NOT_SUPPORTED || result == GP_ERROR_BAD_PARAMETERS;
}

SdkError Unsupported()
{
    return kGphotoErrorBase | SdkError(-GP_ERROR_NOT_SUPPORTED);
}

} // namespace

// The objects this library hands out.
class GphotoCamera::Object : public SdkObject
{
};

class GphotoCamera::CameraListObject final : public Object
{
public:
    explicit CameraListObject(std::vector<GphotoCameraId> cameras) : cameras(std::move(cameras)) {}
    const std::vector<GphotoCameraId> cameras;
};

class GphotoCamera::CameraObject final : public Object
{
};

class GphotoCamera::ItemObject final : public Object
{
public:
    explicit ItemObject(GphotoFile file) : file(std::move(file)) {}
    const GphotoFile file;
};

class GphotoCamera::FileStreamObject final : public Object
{
public:
    explicit FileStreamObject(std::string path) : path(std::move(path)) {}
    const std::string path;
    ProgressHandler progress = nullptr;
    void *progressContext = nullptr;
};

class GphotoCamera::MemoryStreamObject final : public Object
{
public:
    explicit MemoryStreamObject(std::uint64_t capacity) : capacity(capacity) {}
    const std::uint64_t capacity;
    std::string bytes;
};

class GphotoCamera::LiveViewImageObject final : public Object
{
public:
    explicit LiveViewImageObject(MemoryStreamObject *stream) : stream(stream) {}
    MemoryStreamObject *const stream;
};

// Holds libgphoto2 for one operation; an operation waiting for it keeps the
// event thread from taking it again.
class GphotoCamera::CallLock
{
public:
    explicit CallLock(GphotoCamera &camera) : m_camera(camera)
    {
        {
            std::lock_guard state(camera.m_stateMutex);
            ++camera.m_callsWaiting;
        }
        m_lock = std::unique_lock(camera.m_callMutex);
        std::lock_guard state(camera.m_stateMutex);
        --camera.m_callsWaiting;
        camera.m_stateChanged.notify_all();
    }
    ~CallLock()
    {
        m_lock.unlock();
        std::lock_guard state(m_camera.m_stateMutex);
        m_camera.m_lastCall = std::chrono::steady_clock::now();
    }
    CallLock(const CallLock &) = delete;
    CallLock &operator=(const CallLock &) = delete;

private:
    GphotoCamera &m_camera;
    std::unique_lock<std::mutex> m_lock;
};

GphotoCamera::GphotoCamera(std::unique_ptr<GphotoCalls> calls, std::optional<GphotoCameraId> only)
    : m_calls(std::move(calls)), m_only(std::move(only))
{
}

GphotoCamera::~GphotoCamera()
{
    stop();
    std::lock_guard state(m_stateMutex);
    g_objects -= int(m_objects.size());
    for (SdkRef object : m_objects)
        std::unique_ptr<SdkObject>(object).reset();
}

int GphotoCamera::startedNow()
{
    return g_started.load();
}

int GphotoCamera::objectsNow()
{
    return g_objects.load();
}

// --- Objects ---

template <class T> T *GphotoCamera::object(SdkRef ref) const
{
    std::lock_guard state(m_stateMutex);
    if (!ref || !m_objects.count(ref))
        return nullptr;
    return dynamic_cast<T *>(ref);
}

SdkRef GphotoCamera::adopt(std::unique_ptr<Object> owned)
{
    std::lock_guard state(m_stateMutex);
    SdkRef ref = owned.release();
    m_objects.insert(ref);
    ++g_objects;
    return ref;
}

bool GphotoCamera::isOpenCamera(SdkRef ref) const
{
    if (!object<CameraObject>(ref))
        return false;
    std::lock_guard state(m_stateMutex);
    return m_opened;
}

SdkError GphotoCamera::release(SdkRef ref)
{
    std::unique_ptr<SdkObject> owned;
    bool camera = false;
    {
        std::lock_guard state(m_stateMutex);
        if (!ref || !m_objects.erase(ref))
            return kSdkInvalidParameter;
        --g_objects;
        owned.reset(ref);
        camera = dynamic_cast<CameraObject *>(ref) != nullptr;
    }
    if (camera) {
        // The camera given back: its events end and libgphoto2 lets it go.
        stopEvents();
        CallLock call(*this);
        m_calls->close();
        std::lock_guard state(m_stateMutex);
        m_opened = m_session = false;
    }
    return kSdkOk;
}

SdkError GphotoCamera::inSession(SdkRef camera) const
{
    if (!isOpenCamera(camera))
        return kSdkInvalidParameter;
    std::lock_guard state(m_stateMutex);
    if (m_gone)
        return kSdkCommunicationError;
    return m_session ? kSdkOk : kSdkInternalError;
}

// --- Results and events ---

SdkError GphotoCamera::translate(int result)
{
    if (result >= GP_OK)
        return kSdkOk;
    if (result == GP_ERROR_CAMERA_BUSY)
        return kSdkDeviceBusy;
    if (IsGone(result)) {
        std::lock_guard state(m_stateMutex);
        if (m_opened && !m_gone) {
            m_gone = true;
            m_events.push_back({Event::Kind::State, kEventShutDown, 0, nullptr});
            m_stateChanged.notify_all();
        }
        return kSdkCommunicationError;
    }
    return kGphotoErrorBase | SdkError(-result & 0xFFFF);
}

void GphotoCamera::queue(Event event)
{
    std::lock_guard state(m_stateMutex);
    m_events.push_back(event);
    m_stateChanged.notify_all();
}

// A new file on the camera is a shot ready for transfer, told once.
void GphotoCamera::reportShot(const GphotoFile &file)
{
    {
        std::lock_guard state(m_stateMutex);
        if (!m_knownFiles.insert(file).second)
            return;
    }
    SdkRef item = adopt(std::make_unique<ItemObject>(file));
    queue({Event::Kind::Object, kEventShotReady, 0, item});
}

// A file-added event for a shot this session downloaded and deleted is a
// late echo of that shot while the file is gone, and a new shot under a
// reused name once the camera has written one there.
void GphotoCamera::reportAddedFile(const GphotoFile &file)
{
    bool deletedBefore;
    {
        std::lock_guard state(m_stateMutex);
        deletedBefore = m_deletedFiles.erase(file) > 0;
    }
    if (deletedBefore) {
        std::uint64_t size = 0;
        std::lock_guard call(m_callMutex);
        if (m_calls->fileSize(file, &size) < GP_OK)
            return;
    }
    reportShot(file);
}

void GphotoCamera::startEvents()
{
    std::lock_guard state(m_stateMutex);
    if (m_eventThread.joinable())
        return;
    m_stopEvents = false;
    m_eventThread = std::thread(&GphotoCamera::eventLoop, this);
}

// Ends the event thread; events not yet delivered go, their items with them.
void GphotoCamera::stopEvents()
{
    std::thread thread;
    {
        std::lock_guard state(m_stateMutex);
        m_stopEvents = true;
        m_stateChanged.notify_all();
        thread = std::move(m_eventThread);
    }
    if (thread.joinable())
        thread.join();
    std::deque<Event> left;
    {
        std::lock_guard state(m_stateMutex);
        left.swap(m_events);
    }
    for (const Event &event : left)
        if (event.object)
            release(event.object);
}

void GphotoCamera::eventLoop()
{
    bool cameraTells = true; // the camera answers waits for events
    for (;;) {
        std::unique_lock state(m_stateMutex);
        if (!m_events.empty()) {
            const Event event = m_events.front();
            m_events.pop_front();
            state.unlock();
            deliver(event);
            continue;
        }
        if (m_stopEvents)
            return;
        if (m_gone || (!cameraTells && !m_watchingFiles)) {
            m_stateChanged.wait_for(state, 100ms, [this] { return m_stopEvents || !m_events.empty(); });
            continue;
        }
        if (m_callsWaiting > 0) { // operations first
            m_stateChanged.wait(state, [this] { return m_stopEvents || !m_events.empty() || m_callsWaiting == 0; });
            continue;
        }
        if (const auto quiet = m_lastCall + kQuietAfterCall; std::chrono::steady_clock::now() < quiet) {
            m_stateChanged.wait_until(state, quiet, [this] { return m_stopEvents || !m_events.empty(); });
            continue;
        }
        if (!cameraTells) {
            if (!m_stateChanged.wait_for(state, kWatchPeriod, [this] { return m_stopEvents || !m_events.empty(); })) {
                state.unlock();
                watchFiles();
            }
            continue;
        }
        state.unlock();
        GphotoEvent event;
        int result;
        {
            std::lock_guard call(m_callMutex);
            result = m_calls->waitForEvent(kEventWaitMs, &event);
        }
        if (result == GP_ERROR_NOT_SUPPORTED) {
            cameraTells = false;
        } else if (result < GP_OK) {
            translate(result);
            std::unique_lock pause(m_stateMutex);
            m_stateChanged.wait_for(pause, 100ms, [this] { return m_stopEvents; });
        } else if (event.kind == GphotoEvent::Kind::FileAdded) {
            reportAddedFile(event.file);
        }
    }
}

// New files become shots once their size holds still between two listings,
// so a file still being written is not taken half.
void GphotoCamera::watchFiles()
{
    std::vector<GphotoFile> files;
    std::vector<std::pair<GphotoFile, std::uint64_t>> sizes;
    {
        std::lock_guard call(m_callMutex);
        int result = m_calls->listFiles(&files);
        if (result < GP_OK) {
            translate(result);
            return;
        }
        std::lock_guard state(m_stateMutex);
        files.erase(std::remove_if(files.begin(), files.end(), [this](const GphotoFile &file) { return m_knownFiles.count(file) > 0; }),
                    files.end());
    }
    for (const GphotoFile &file : files) {
        std::uint64_t size = 0;
        {
            std::lock_guard call(m_callMutex);
            if (m_calls->fileSize(file, &size) < GP_OK)
                continue;
        }
        sizes.emplace_back(file, size);
    }
    std::vector<GphotoFile> ready;
    {
        std::lock_guard state(m_stateMutex);
        std::map<GphotoFile, std::uint64_t> seen;
        for (const auto &[file, size] : sizes) {
            const auto before = m_growingFiles.find(file);
            if (before != m_growingFiles.end() && before->second == size)
                ready.push_back(file);
            else
                seen[file] = size;
        }
        m_growingFiles.swap(seen);
    }
    for (const GphotoFile &file : ready)
        reportShot(file);
}

// --- The library and its cameras ---

SdkError GphotoCamera::start()
{
    std::lock_guard state(m_stateMutex);
    if (m_started)
        return kSdkInternalError;
    m_started = true;
    ++g_started;
    return kSdkOk;
}

SdkError GphotoCamera::stop()
{
    stopEvents();
    {
        CallLock call(*this);
        m_calls->close();
    }
    std::lock_guard state(m_stateMutex);
    m_opened = m_session = false;
    clearHandlers();
    if (m_started) {
        m_started = false;
        --g_started;
    }
    return kSdkOk;
}

SdkError GphotoCamera::cameraList(SdkRef *list)
{
    {
        std::lock_guard state(m_stateMutex);
        if (!m_started)
            return kSdkInternalError;
    }
    std::vector<GphotoCameraId> cameras;
    if (m_only) {
        cameras.push_back(*m_only);
    } else {
        CallLock call(*this);
        if (const int result = m_calls->detect(&cameras); result < GP_OK)
            return translate(result);
        // Cameras that can shoot come before card readers and phones with photos on them.
        std::stable_partition(cameras.begin(), cameras.end(), [](const GphotoCameraId &id) { return id.canCapture; });
    }
    *list = adopt(std::make_unique<CameraListObject>(std::move(cameras)));
    return kSdkOk;
}

SdkError GphotoCamera::childCount(SdkRef list, std::int32_t *count)
{
    const auto *cameras = object<CameraListObject>(list);
    if (!cameras)
        return kSdkInvalidParameter;
    *count = std::int32_t(cameras->cameras.size());
    return kSdkOk;
}

// Opens the camera right away: a camera another program holds fails here.
SdkError GphotoCamera::childAt(SdkRef list, std::int32_t index, SdkRef *child)
{
    const auto *cameras = object<CameraListObject>(list);
    if (!cameras || index < 0 || std::size_t(index) >= cameras->cameras.size())
        return kSdkInvalidParameter;
    const GphotoCameraId id = cameras->cameras[std::size_t(index)];
    {
        CallLock call(*this);
        if (const int result = m_calls->open(id); result < GP_OK)
            return translate(result);
        std::lock_guard state(m_stateMutex);
        m_camera = id;
        m_opened = true;
        m_gone = false;
        m_values = {{kPropSaveTo, 0}, {kPropEvfOutputDevice, 0}, {kPropEvfMode, 0}, {kPropEvfDepthOfFieldPreview, 0}, {kPropEvfZoom, kEvfZoomFit}};
    }
    *child = adopt(std::make_unique<CameraObject>());
    return kSdkOk;
}

SdkError GphotoCamera::deviceInfo(SdkRef camera, DeviceInfo *info)
{
    if (!isOpenCamera(camera))
        return kSdkInvalidParameter;
    std::lock_guard state(m_stateMutex);
    *info = DeviceInfo{};
    std::snprintf(info->portName, sizeof info->portName, "%s", m_camera.port.c_str());
    std::snprintf(info->description, sizeof info->description, "%s", m_camera.model.c_str());
    info->subType = 1;
    return kSdkOk;
}

bool GphotoCamera::acceptsHandlers(SdkRef camera) const
{
    return object<CameraObject>(camera) != nullptr;
}

// --- Session ---

SdkError GphotoCamera::openSession(SdkRef camera)
{
    if (!isOpenCamera(camera))
        return kSdkInvalidParameter;
    bool watch = false;
    {
        std::lock_guard state(m_stateMutex);
        if (m_gone)
            return kSdkCommunicationError;
        m_session = true;
        watch = !m_camera.canCapture;
        m_knownFiles.clear();
        m_deletedFiles.clear();
        m_growingFiles.clear();
    }
    if (watch) {
        // What lies on a camera that cannot shoot is its past; only files added from now on are shots.
        std::vector<GphotoFile> files;
        CallLock call(*this);
        const int result = m_calls->listFiles(&files);
        std::lock_guard state(m_stateMutex);
        m_watchingFiles = result >= GP_OK;
        m_knownFiles.insert(files.begin(), files.end());
    }
    startEvents();
    return kSdkOk;
}

SdkError GphotoCamera::closeSession(SdkRef camera)
{
    if (!isOpenCamera(camera))
        return kSdkInvalidParameter;
    stopEvents();
    std::lock_guard state(m_stateMutex);
    if (!m_session)
        return kSdkInternalError;
    m_session = false;
    return kSdkOk;
}

// The camera's own controls locked while the computer takes over, where the camera can.
SdkError GphotoCamera::statusCommand(SdkRef camera, std::uint32_t parameter)
{
    if (!isOpenCamera(camera))
        return kSdkInvalidParameter;
    CallLock call(*this);
    return writeWidgetIfPresent("uilock", parameter == kStatusLock ? "1" : "0");
}

// libgphoto2 looks after the room for shots itself.
SdkError GphotoCamera::setCapacity(SdkRef camera, const CapacityRecord &)
{
    return isOpenCamera(camera) ? kSdkOk : kSdkInvalidParameter;
}

// --- Properties ---

int GphotoCamera::readSettingOf(std::uint32_t id, GphotoSetting *setting, std::string *widget)
{
    int result = GP_ERROR_NOT_SUPPORTED;
    for (const std::string &name : GphotoProperties::WidgetNames(id)) {
        result = m_calls->readSetting(name, setting);
        if (!IsAbsent(result)) {
            *widget = name;
            return result;
        }
    }
    return result;
}

SdkError GphotoCamera::writeWidgetIfPresent(const std::string &name, const std::string &value)
{
    GphotoSetting setting;
    const int result = m_calls->readSetting(name, &setting);
    if (IsAbsent(result))
        return kSdkOk;
    if (result < GP_OK)
        return translate(result);
    return translate(m_calls->writeSetting(name, value));
}

// A setting the camera lacks, or shows in a text without a code, reads as unknown.
SdkError GphotoCamera::readValue(std::uint32_t id, std::uint32_t *value)
{
    GphotoSetting setting;
    std::string widget;
    const int result = readSettingOf(id, &setting, &widget);
    *value = kUnknownPropertyValue;
    if (IsAbsent(result))
        return kSdkOk;
    if (result < GP_OK)
        return translate(result);
    *value = GphotoProperties::CodeForText(id, setting.value).value_or(kUnknownPropertyValue);
    return kSdkOk;
}

SdkError GphotoCamera::writeValue(std::uint32_t id, std::uint32_t value)
{
    GphotoSetting setting;
    std::string widget;
    const int result = readSettingOf(id, &setting, &widget);
    if (IsAbsent(result))
        return Unsupported();
    if (result < GP_OK)
        return translate(result);
    const auto choice = GphotoProperties::ChoiceForCode(id, value, setting.choices);
    if (!choice)
        return kSdkInvalidParameter;
    return translate(m_calls->writeSetting(widget, *choice));
}

SdkError GphotoCamera::propertySize(SdkRef ref, std::uint32_t id, std::int32_t, std::uint32_t *type, std::uint32_t *size)
{
    if (object<LiveViewImageObject>(ref) && id == kPropEvfZoom) {
        *type = kDataUInt32;
        *size = 4;
        return kSdkOk;
    }
    if (!isOpenCamera(ref))
        return kSdkInvalidParameter;
    std::lock_guard state(m_stateMutex);
    if (id == kPropCameraModel) {
        *type = kDataText;
        *size = std::uint32_t(m_camera.model.size() + 1);
    } else if (id == kPropEvfZoomPosition) {
        *type = kDataPoint;
        *size = sizeof(CameraPoint);
    } else if (m_values.count(id) || !GphotoProperties::WidgetNames(id).empty()) {
        *type = kDataUInt32;
        *size = 4;
    } else {
        return kSdkInvalidParameter; // no focus record, no zoom rectangle from these cameras
    }
    return kSdkOk;
}

SdkError GphotoCamera::readProperty(SdkRef ref, std::uint32_t id, std::int32_t, std::uint32_t size, void *buffer)
{
    if (object<LiveViewImageObject>(ref)) {
        // Frames come whole, unmagnified.
        if (id != kPropEvfZoom || size < 4)
            return kSdkInvalidParameter;
        const std::uint32_t zoom = kEvfZoomFit;
        std::memcpy(buffer, &zoom, 4);
        return kSdkOk;
    }
    if (const SdkError code = inSession(ref))
        return code;
    {
        std::lock_guard state(m_stateMutex);
        if (id == kPropCameraModel) {
            if (size < m_camera.model.size() + 1)
                return kSdkInvalidParameter;
            std::memcpy(buffer, m_camera.model.c_str(), m_camera.model.size() + 1);
            return kSdkOk;
        }
        if (const auto kept = m_values.find(id); kept != m_values.end()) {
            if (size < 4)
                return kSdkInvalidParameter;
            std::memcpy(buffer, &kept->second, 4);
            return kSdkOk;
        }
    }
    if (GphotoProperties::WidgetNames(id).empty() || size < 4)
        return kSdkInvalidParameter;
    std::uint32_t value = kUnknownPropertyValue;
    CallLock call(*this);
    const SdkError code = readValue(id, &value);
    if (code == kSdkOk)
        std::memcpy(buffer, &value, 4);
    return code;
}

SdkError GphotoCamera::writeProperty(SdkRef camera, std::uint32_t id, std::int32_t, std::uint32_t size, const void *value)
{
    if (const SdkError code = inSession(camera))
        return code;
    if (id == kPropEvfZoomPosition && size == sizeof(CameraPoint))
        return kSdkOk; // these cameras show the whole picture only
    if (size != 4)
        return kSdkInvalidParameter;
    std::uint32_t number = 0;
    std::memcpy(&number, value, 4);
    SdkError code = kSdkOk;
    {
        CallLock call(*this);
        if (id == kPropSaveTo) {
            // Shots kept in the camera's memory until downloaded, never on its card.
            GphotoSetting target;
            const bool present = m_calls->readSetting("capturetarget", &target) >= GP_OK;
            code = writeWidgetIfPresent("capturetarget", number == kSaveToComputer ? "Internal RAM" : "Memory card");
            std::lock_guard state(m_stateMutex);
            m_shotsInCameraRam = code == kSdkOk && present && number == kSaveToComputer;
        } else if (id == kPropEvfOutputDevice && !(number & kEvfOutputComputer)) {
            code = writeWidgetIfPresent("viewfinder", "0"); // the preview ends, the mirror comes down
        } else if (!GphotoProperties::WidgetNames(id).empty()) {
            code = writeValue(id, number);
        }
    }
    if (code != kSdkOk)
        return code;
    {
        std::lock_guard state(m_stateMutex);
        if (GphotoProperties::WidgetNames(id).empty()) {
            if (!m_values.count(id))
                return kSdkInvalidParameter;
            m_values[id] = number;
        }
    }
    // The camera tells about the value it took, as cameras do.
    queue({Event::Kind::Property, kEventPropertyChanged, id, nullptr});
    return kSdkOk;
}

SdkError GphotoCamera::propertyDesc(SdkRef camera, std::uint32_t id, PropertyDesc *desc)
{
    if (!isOpenCamera(camera) || GphotoProperties::WidgetNames(id).empty())
        return kSdkInvalidParameter;
    *desc = PropertyDesc{};
    GphotoSetting setting;
    std::string widget;
    CallLock call(*this);
    const int result = readSettingOf(id, &setting, &widget);
    if (IsAbsent(result))
        return kSdkOk; // a setting the camera lacks has no values to choose
    if (result < GP_OK)
        return translate(result);
    if (setting.readOnly)
        return kSdkOk;
    const std::vector<std::uint32_t> codes = GphotoProperties::CodesForChoices(id, setting.choices);
    desc->count = std::int32_t(std::min<std::size_t>(codes.size(), std::size(desc->values)));
    std::copy_n(codes.begin(), desc->count, desc->values);
    return kSdkOk;
}

// --- Commands ---

SdkError GphotoCamera::shutter(std::uint32_t parameter)
{
    if (parameter == kShutterFully) {
        GphotoFile shot;
        const int result = m_calls->capture(&shot);
        if (result < GP_OK)
            return translate(result);
        reportShot(shot);
        return kSdkOk;
    }
    // Halfway is the autofocus a half press starts, through libgphoto2's
    // own autofocus widgets; a camera without them takes the press as done.
    if (parameter == kShutterHalfway) {
        const SdkError code = writeWidgetIfPresent("autofocusdrive", "1");
        std::lock_guard state(m_stateMutex);
        m_halfPressed = code == kSdkOk;
        return code;
    }
    bool pressed;
    {
        std::lock_guard state(m_stateMutex);
        pressed = std::exchange(m_halfPressed, false);
    }
    return pressed ? writeWidgetIfPresent("cancelautofocus", "1") : kSdkOk;
}

SdkError GphotoCamera::cameraCommand(SdkRef camera, std::uint32_t command, std::int32_t parameter)
{
    if (const SdkError code = inSession(camera))
        return code;
    CallLock call(*this);
    const std::uint32_t value = std::uint32_t(parameter);
    GphotoSetting setting;
    switch (command) {
    case kCmdShutter:
        return shutter(value);
    case kCmdEvfAf:
        if (value == kEvfAfOff)
            return writeWidgetIfPresent("cancelautofocus", "1");
        if (IsAbsent(m_calls->readSetting("autofocusdrive", &setting)))
            return Unsupported();
        return writeWidgetIfPresent("autofocusdrive", "1");
    case kCmdDriveLens: {
        const std::uint32_t steps = value & 0x7FFF;
        if (steps < 1 || steps > 3)
            return kSdkInvalidParameter;
        if (IsAbsent(m_calls->readSetting("manualfocusdrive", &setting)))
            return Unsupported();
        return writeWidgetIfPresent("manualfocusdrive", (value & 0x8000 ? "Far " : "Near ") + std::to_string(steps));
    }
    default:
        return kSdkInvalidParameter;
    }
}

// --- Shot transfer ---

SdkError GphotoCamera::transferItemInfo(SdkRef item, TransferItemInfo *info)
{
    const auto *shot = object<ItemObject>(item);
    if (!shot)
        return kSdkInvalidParameter;
    std::uint64_t size = 0;
    {
        CallLock call(*this);
        if (const int result = m_calls->fileSize(shot->file, &size); result < GP_OK)
            return translate(result);
    }
    *info = TransferItemInfo{};
    info->size = size;
    std::snprintf(info->fileName, sizeof info->fileName, "%s", shot->file.name.c_str());
    return kSdkOk;
}

SdkError GphotoCamera::createFileStream(const char *fileName, std::uint32_t disposition, std::uint32_t access, SdkRef *stream)
{
    if (!fileName || disposition != kStreamCreateAlways || access != kStreamReadWrite)
        return kSdkInvalidParameter;
    if (!std::ofstream(fileName, std::ios::binary | std::ios::trunc))
        return kSdkFileError;
    *stream = adopt(std::make_unique<FileStreamObject>(fileName));
    return kSdkOk;
}

SdkError GphotoCamera::setProgressHandler(SdkRef stream, ProgressHandler handler, std::uint32_t option, void *context)
{
    auto *file = object<FileStreamObject>(stream);
    if (!file || option != kProgressPeriodic)
        return kSdkInvalidParameter;
    std::lock_guard state(m_stateMutex);
    file->progress = handler;
    file->progressContext = context;
    return kSdkOk;
}

SdkError GphotoCamera::download(SdkRef item, std::uint64_t, SdkRef stream)
{
    const auto *shot = object<ItemObject>(item);
    const auto *file = object<FileStreamObject>(stream);
    if (!shot || !file)
        return kSdkInvalidParameter;
    ProgressHandler handler;
    void *context;
    {
        std::lock_guard state(m_stateMutex);
        handler = file->progress;
        context = file->progressContext;
    }
    std::uint32_t told = 0;
    const auto progress = [&](double share) {
        const auto percent = std::uint32_t(std::clamp(share, 0.0, 1.0) * 100);
        if (handler && percent > told)
            handler(told = percent, context);
    };
    CallLock call(*this);
    return translate(m_calls->download(shot->file, file->path, progress));
}

// A shot the camera keeps in its memory for the computer is removed once it is here.
SdkError GphotoCamera::downloadComplete(SdkRef item)
{
    const auto *shot = object<ItemObject>(item);
    if (!shot)
        return kSdkInvalidParameter;
    {
        std::lock_guard state(m_stateMutex);
        if (!m_shotsInCameraRam)
            return kSdkOk;
    }
    CallLock call(*this);
    const int result = m_calls->deleteFile(shot->file);
    if (result >= GP_OK) {
        // The camera may give the name to its next shot: that one is new.
        std::lock_guard state(m_stateMutex);
        m_knownFiles.erase(shot->file);
        m_deletedFiles.insert(shot->file);
    }
    return translate(result);
}

// --- Live view ---

SdkError GphotoCamera::createMemoryStream(std::uint64_t capacity, SdkRef *stream)
{
    *stream = adopt(std::make_unique<MemoryStreamObject>(capacity));
    return kSdkOk;
}

SdkError GphotoCamera::createLiveViewImage(SdkRef stream, SdkRef *image)
{
    auto *memory = object<MemoryStreamObject>(stream);
    if (!memory)
        return kSdkInvalidParameter;
    *image = adopt(std::make_unique<LiveViewImageObject>(memory));
    return kSdkOk;
}

SdkError GphotoCamera::fetchLiveViewFrame(SdkRef camera, SdkRef image)
{
    auto *frame = object<LiveViewImageObject>(image);
    if (!frame || !object<MemoryStreamObject>(frame->stream))
        return kSdkInvalidParameter;
    if (const SdkError code = inSession(camera))
        return code;
    {
        std::lock_guard state(m_stateMutex);
        if (!(m_values[kPropEvfOutputDevice] & kEvfOutputComputer))
            return kSdkInternalError;
    }
    std::string bytes;
    {
        CallLock call(*this);
        if (const int result = m_calls->capturePreview(&bytes); result < GP_OK)
            return translate(result);
    }
    if (bytes.empty())
        return kSdkFrameNotReady;
    if (bytes.size() > frame->stream->capacity)
        return kSdkInternalError;
    std::lock_guard state(m_stateMutex);
    frame->stream->bytes = std::move(bytes);
    return kSdkOk;
}

SdkError GphotoCamera::streamData(SdkRef stream, const void **data)
{
    const auto *memory = object<MemoryStreamObject>(stream);
    if (!memory)
        return kSdkInvalidParameter;
    std::lock_guard state(m_stateMutex);
    *data = memory->bytes.empty() ? nullptr : memory->bytes.data();
    return kSdkOk;
}

SdkError GphotoCamera::streamLength(SdkRef stream, std::uint64_t *length)
{
    const auto *memory = object<MemoryStreamObject>(stream);
    if (!memory)
        return kSdkInvalidParameter;
    std::lock_guard state(m_stateMutex);
    *length = memory->bytes.size();
    return kSdkOk;
}
