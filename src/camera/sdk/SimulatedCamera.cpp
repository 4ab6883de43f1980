#include "camera/sdk/SimulatedCamera.h"

#include "camera/sdk/SimulatedPictures.h"
#include "platform/Pause.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

// The objects the simulated library hands out.
class SimulatedCamera::Object : public SdkObject
{
};

class SimulatedCamera::CameraListObject final : public Object
{
public:
    explicit CameraListObject(int count) : count(count) {}
    const int count;
};

class SimulatedCamera::CameraObject final : public Object
{
};

class SimulatedCamera::ItemObject final : public Object
{
public:
    ItemObject(std::string name, QByteArray bytes) : name(std::move(name)), bytes(std::move(bytes)) {}
    const std::string name;
    const QByteArray bytes;
};

class SimulatedCamera::FileStreamObject final : public Object
{
public:
    std::ofstream file;
    ProgressHandler progress = nullptr;
    void *progressContext = nullptr;
};

class SimulatedCamera::MemoryStreamObject final : public Object
{
public:
    explicit MemoryStreamObject(std::uint64_t capacity) : capacity(capacity) {}
    const std::uint64_t capacity;
    QByteArray bytes;
};

class SimulatedCamera::LiveViewImageObject final : public Object
{
public:
    explicit LiveViewImageObject(MemoryStreamObject *stream) : stream(stream) {}
    MemoryStreamObject *const stream;
    std::uint32_t zoom = 0;
    CameraRect zoomRect;
    CameraSize coordinates;
};

namespace {

// The camera's sensor coordinates, in which zoom rectangles and focus points are given.
constexpr CameraSize kSensor{6000, 4000};

bool IsValueProperty(std::uint32_t id)
{
    switch (id) {
    case kPropSaveTo: case kPropImageQuality: case kPropIso: case kPropMetering: case kPropAperture:
    case kPropShutterSpeed: case kPropExposureCompensation: case kPropExposureMode: case kPropEvfOutputDevice:
    case kPropEvfMode: case kPropEvfDepthOfFieldPreview: case kPropEvfZoom: case kPropEvfAfMode:
        return true;
    default:
        return false;
    }
}

} // namespace

SimulatedCamera::SimulatedCamera()
{
    // A camera in program mode with its live view off, as one comes out of the bag.
    m_values = {
        {kPropSaveTo, 1}, {kPropImageQuality, 0x13FF0F}, {kPropIso, 72}, {kPropMetering, 3},
        {kPropAperture, 48}, {kPropShutterSpeed, 104}, {kPropExposureCompensation, 0},
        {kPropExposureMode, 0}, {kPropEvfOutputDevice, 0}, {kPropEvfMode, 0},
        {kPropEvfDepthOfFieldPreview, 0}, {kPropEvfZoom, kEvfZoomFit}, {kPropEvfAfMode, 1},
    };
    m_descriptions = {
        {kPropExposureMode, {0, 1, 2, 3}},
        {kPropShutterSpeed, {72, 88, 104, 112, 120}},
        {kPropAperture, {32, 40, 48, 56}},
        {kPropIso, {0, 72, 80, 88, 96}},
        {kPropMetering, {1, 3, 4, 5}},
        {kPropExposureCompensation, {248, 0, 8}},
        {kPropImageQuality, {0x13FF0F, 0x12FF0F}},
        {kPropEvfAfMode, {0, 1, 2}},
    };
}

SimulatedCamera::~SimulatedCamera()
{
    stop();
    std::lock_guard lock(m_mutex);
    for (SdkRef object : m_objects)
        delete object;
}

// --- Switches ---

void SimulatedCamera::setModelName(const std::string &name)
{
    std::lock_guard lock(m_mutex);
    m_modelName = name;
}

void SimulatedCamera::setSubType(std::uint32_t subType)
{
    std::lock_guard lock(m_mutex);
    m_subType = subType;
}

void SimulatedCamera::setAttached(bool attached)
{
    std::lock_guard lock(m_mutex);
    m_attached = attached;
}

void SimulatedCamera::setProperty(std::uint32_t id, std::uint32_t value)
{
    std::lock_guard lock(m_mutex);
    m_values[id] = value;
}

void SimulatedCamera::setDescription(std::uint32_t id, const std::vector<std::uint32_t> &values)
{
    std::lock_guard lock(m_mutex);
    m_descriptions[id] = values;
}

void SimulatedCamera::failNext(Operation operation, SdkError code, int times)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back({operation, code, times, -1});
}

void SimulatedCamera::failProperty(Operation operation, std::uint32_t id, SdkError code, int times)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back({operation, code, times, id});
}

void SimulatedCamera::clearFailures()
{
    std::lock_guard lock(m_mutex);
    m_failures.clear();
}

void SimulatedCamera::setTransferStepDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_mutex);
    m_transferStepDelay = delay;
}

void SimulatedCamera::setLiveViewSize(int width, int height)
{
    std::lock_guard lock(m_mutex);
    m_frameWidth = width;
    m_frameHeight = height;
    m_frameCycle.clear();
}

void SimulatedCamera::setLiveViewCoordinates(CameraSize coordinates)
{
    std::lock_guard lock(m_mutex);
    m_coordinates = coordinates;
}

void SimulatedCamera::setFocusRecord(const FocusRecord &record)
{
    std::lock_guard lock(m_mutex);
    m_focusRecord = std::make_unique<FocusRecord>(record);
}

void SimulatedCamera::setShotName(const std::string &name)
{
    std::lock_guard lock(m_mutex);
    m_shotName = name;
}

void SimulatedCamera::switchOff()
{
    std::lock_guard lock(m_mutex);
    m_switchedOff = true;
    m_session = false;
    queueLocked({Event::Kind::State, kEventShutDown, 0, nullptr});
}

void SimulatedCamera::raisePropertyEvent(std::uint32_t event, std::uint32_t id)
{
    std::lock_guard lock(m_mutex);
    queueLocked({Event::Kind::Property, event, id, nullptr});
}

void SimulatedCamera::raiseObjectEvent(std::uint32_t event)
{
    std::lock_guard lock(m_mutex);
    SdkRef item = adoptLocked(new ItemObject("OBJECT.DAT", QByteArray(16, '\0')));
    queueLocked({Event::Kind::Object, event, 0, item});
}

void SimulatedCamera::holdEvents(bool hold)
{
    std::lock_guard lock(m_mutex);
    m_holdEvents = hold;
    m_changed.notify_all();
}

// --- What happened ---

std::vector<std::string> SimulatedCamera::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void SimulatedCamera::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

int SimulatedCamera::callCount(const std::string &line) const
{
    std::lock_guard lock(m_mutex);
    return int(std::count(m_calls.begin(), m_calls.end(), line));
}

int SimulatedCamera::liveObjects() const
{
    std::lock_guard lock(m_mutex);
    return int(m_objects.size());
}

int SimulatedCamera::shotsTaken() const
{
    std::lock_guard lock(m_mutex);
    return m_shots;
}

std::uint32_t SimulatedCamera::property(std::uint32_t id) const
{
    std::lock_guard lock(m_mutex);
    return valueLocked(id);
}

CameraPoint SimulatedCamera::zoomPosition() const
{
    std::lock_guard lock(m_mutex);
    return m_zoomPosition;
}

bool SimulatedCamera::sessionOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_session;
}

bool SimulatedCamera::started() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

void SimulatedCamera::waitForEvents() const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return (m_events.empty() || !m_started) && !m_delivering; });
}

QByteArray SimulatedCamera::shotBytes(int counter)
{
    return SimulatedPictures::Shot(counter);
}

// --- Internals ---

SdkError SimulatedCamera::gateLocked(Operation operation, const std::string &line, std::int64_t property)
{
    m_calls.push_back(line);
    if (m_switchedOff)
        return kSdkCommunicationError;
    for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
        if (it->operation != Operation::Any && it->operation != operation)
            continue;
        if (it->property >= 0 && it->property != property)
            continue;
        const SdkError code = it->code;
        if (it->remaining > 0 && --it->remaining == 0)
            m_failures.erase(it);
        return code;
    }
    return kSdkOk;
}

bool SimulatedCamera::isCameraLocked(SdkRef ref) const
{
    return objectLocked<CameraObject>(ref) != nullptr;
}

template <class T> T *SimulatedCamera::objectLocked(SdkRef ref) const
{
    if (!ref || !m_objects.count(ref))
        return nullptr;
    return dynamic_cast<T *>(ref);
}

SdkRef SimulatedCamera::adoptLocked(Object *object)
{
    m_objects.insert(object);
    return object;
}

void SimulatedCamera::queueLocked(Event event)
{
    m_events.push_back(event);
    m_changed.notify_all();
}

std::uint32_t SimulatedCamera::valueLocked(std::uint32_t id) const
{
    const auto it = m_values.find(id);
    return it == m_values.end() ? 0 : it->second;
}

FocusRecord SimulatedCamera::focusRecordLocked() const
{
    if (m_focusRecord)
        return *m_focusRecord;
    // Nine points in a three by three grid; the centre one selected and in focus.
    FocusRecord record;
    record.image = {0, 0, kSensor.width, kSensor.height};
    record.pointCount = 9;
    for (int i = 0; i < 9; ++i) {
        FocusPoint &point = record.points[i];
        point.valid = 1;
        point.selected = i == 4 ? 1 : 0;
        point.inFocus = i == 4 ? 1 : 0;
        point.rect = {1500 + (i % 3) * 1500 - 100, 1000 + (i / 3) * 1000 - 100, 200, 200};
    }
    return record;
}

QByteArray SimulatedCamera::liveViewFrameLocked(int counter)
{
    // A cycle of thirty frames, each drawn when first shown: after that a
    // frame costs nothing to make, whatever its size.
    constexpr std::size_t kCycle = 30;
    const std::size_t index = std::size_t(counter - 1) % kCycle;
    if (index >= m_frameCycle.size())
        m_frameCycle.push_back(SimulatedPictures::LiveViewFrame(int(index) + 1, m_frameWidth, m_frameHeight));
    return m_frameCycle[index];
}

// The event thread: delivers one event at a time, without the lock, so a
// handler may call the library again.
void SimulatedCamera::eventLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopEvents || (!m_events.empty() && !m_holdEvents); });
        if (m_stopEvents)
            return;
        const Event event = m_events.front();
        m_events.pop_front();
        m_delivering = true;
        lock.unlock();
        deliver(event);
        lock.lock();
        m_delivering = false;
        m_changed.notify_all();
    }
}

// --- The library ---

SdkError SimulatedCamera::start()
{
    std::lock_guard lock(m_mutex);
    if (m_started)
        return kSdkOk;
    m_started = true;
    m_stopEvents = false;
    m_eventThread = std::thread([this] { eventLoop(); });
    return kSdkOk;
}

SdkError SimulatedCamera::stop()
{
    std::vector<SdkRef> undelivered;
    {
        std::lock_guard lock(m_mutex);
        if (!m_started)
            return kSdkOk;
        m_stopEvents = true;
        m_changed.notify_all();
    }
    m_eventThread.join();
    std::lock_guard lock(m_mutex);
    m_started = false;
    m_delivering = false;
    for (const Event &event : m_events)
        if (event.object) {
            m_objects.erase(event.object);
            delete event.object;
        }
    m_events.clear();
    clearHandlers();
    m_changed.notify_all();
    return kSdkOk;
}

SdkError SimulatedCamera::cameraList(SdkRef *list)
{
    std::lock_guard lock(m_mutex);
    if (!m_started)
        return kSdkInternalError;
    *list = adoptLocked(new CameraListObject(m_attached && !m_switchedOff ? 1 : 0));
    return kSdkOk;
}

SdkError SimulatedCamera::childCount(SdkRef list, std::int32_t *count)
{
    std::lock_guard lock(m_mutex);
    const auto *cameras = objectLocked<CameraListObject>(list);
    if (!cameras)
        return kSdkInvalidParameter;
    *count = cameras->count;
    return kSdkOk;
}

SdkError SimulatedCamera::childAt(SdkRef list, std::int32_t index, SdkRef *child)
{
    std::lock_guard lock(m_mutex);
    const auto *cameras = objectLocked<CameraListObject>(list);
    if (!cameras || index < 0 || index >= cameras->count)
        return kSdkInvalidParameter;
    *child = adoptLocked(new CameraObject);
    return kSdkOk;
}

SdkError SimulatedCamera::deviceInfo(SdkRef camera, DeviceInfo *info)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    if (m_switchedOff)
        return kSdkCommunicationError;
    *info = DeviceInfo{};
    std::snprintf(info->portName, sizeof info->portName, "simulated:0");
    std::snprintf(info->description, sizeof info->description, "%s", m_modelName.c_str());
    info->subType = m_subType;
    return kSdkOk;
}

SdkError SimulatedCamera::release(SdkRef object)
{
    std::lock_guard lock(m_mutex);
    if (!object || !m_objects.erase(object))
        return kSdkInvalidParameter;
    delete object;
    return kSdkOk;
}

bool SimulatedCamera::acceptsHandlers(SdkRef camera) const
{
    std::lock_guard lock(m_mutex);
    return isCameraLocked(camera);
}

SdkError SimulatedCamera::openSession(SdkRef camera)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::OpenSession, "openSession"))
        return code;
    m_session = true;
    return kSdkOk;
}

SdkError SimulatedCamera::closeSession(SdkRef camera)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::CloseSession, "closeSession"))
        return code;
    if (!m_session)
        return kSdkInternalError;
    m_session = false;
    return kSdkOk;
}

SdkError SimulatedCamera::statusCommand(SdkRef camera, std::uint32_t parameter)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::StatusCommand, "statusCommand " + std::to_string(parameter)))
        return code;
    return m_session ? kSdkOk : kSdkInternalError;
}

SdkError SimulatedCamera::setCapacity(SdkRef camera, const CapacityRecord &capacity)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    const std::string line = "setCapacity " + std::to_string(capacity.freeClusters) + " " + std::to_string(capacity.bytesPerSector)
                             + " " + std::to_string(capacity.reset);
    if (const SdkError code = gateLocked(Operation::SetCapacity, line))
        return code;
    return m_session ? kSdkOk : kSdkInternalError;
}

SdkError SimulatedCamera::propertySize(SdkRef ref, std::uint32_t id, std::int32_t, std::uint32_t *type, std::uint32_t *size)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(ref) && !objectLocked<LiveViewImageObject>(ref))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::PropertySize, "propertySize " + std::to_string(id), id))
        return code;
    if (id == kPropCameraModel) {
        *type = kDataText;
        *size = std::uint32_t(m_modelName.size() + 1);
    } else if (id == kPropFocusRecord) {
        *type = kDataFocusRecord;
        *size = sizeof(FocusRecord);
    } else if (id == kPropEvfZoomPosition) {
        *type = kDataPoint;
        *size = sizeof(CameraPoint);
    } else if (id == kPropEvfZoomRect) {
        *type = kDataRect;
        *size = sizeof(CameraRect);
    } else if (id == kPropEvfCoordinateSize) {
        *type = kDataSize;
        *size = sizeof(CameraSize);
    } else if (IsValueProperty(id)) {
        *type = kDataUInt32;
        *size = sizeof(std::uint32_t);
    } else {
        return kSdkInvalidParameter;
    }
    return kSdkOk;
}

SdkError SimulatedCamera::readProperty(SdkRef ref, std::uint32_t id, std::int32_t, std::uint32_t size, void *buffer)
{
    std::lock_guard lock(m_mutex);
    if (const auto *image = objectLocked<LiveViewImageObject>(ref)) {
        // A live-view image answers what belongs to its frame.
        if (id == kPropEvfZoom && size >= 4)
            std::memcpy(buffer, &image->zoom, 4);
        else if (id == kPropEvfZoomRect && size >= sizeof(CameraRect))
            std::memcpy(buffer, &image->zoomRect, sizeof(CameraRect));
        else if (id == kPropEvfCoordinateSize && size >= sizeof(CameraSize))
            std::memcpy(buffer, &image->coordinates, sizeof(CameraSize));
        else
            return kSdkInvalidParameter;
        return kSdkOk;
    }
    if (!isCameraLocked(ref))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::ReadProperty, "readProperty " + std::to_string(id), id))
        return code;
    if (!m_session)
        return kSdkInternalError;
    if (id == kPropCameraModel) {
        if (size < m_modelName.size() + 1)
            return kSdkInvalidParameter;
        std::memcpy(buffer, m_modelName.c_str(), m_modelName.size() + 1);
    } else if (id == kPropFocusRecord) {
        if (size < sizeof(FocusRecord))
            return kSdkInvalidParameter;
        const FocusRecord record = focusRecordLocked();
        std::memcpy(buffer, &record, sizeof record);
    } else if (id == kPropEvfZoomPosition && size >= sizeof(CameraPoint)) {
        std::memcpy(buffer, &m_zoomPosition, sizeof(CameraPoint));
    } else if (IsValueProperty(id) && size >= 4) {
        const std::uint32_t value = valueLocked(id);
        std::memcpy(buffer, &value, 4);
    } else {
        return kSdkInvalidParameter;
    }
    return kSdkOk;
}

SdkError SimulatedCamera::writeProperty(SdkRef camera, std::uint32_t id, std::int32_t, std::uint32_t size, const void *value)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    std::string line = "writeProperty ";
    line += std::to_string(id);
    line += '=';
    if (size == sizeof(CameraPoint)) {
        CameraPoint point;
        std::memcpy(&point, value, sizeof point);
        line += '(';
        line += std::to_string(point.x);
        line += ',';
        line += std::to_string(point.y);
        line += ')';
    } else if (size == 4) {
        std::uint32_t number;
        std::memcpy(&number, value, 4);
        line += std::to_string(number);
    }
    if (const SdkError code = gateLocked(Operation::WriteProperty, line, id))
        return code;
    if (!m_session)
        return kSdkInternalError;
    if (id == kPropEvfZoomPosition && size == sizeof(CameraPoint)) {
        std::memcpy(&m_zoomPosition, value, sizeof(CameraPoint));
    } else if (IsValueProperty(id) && size == 4) {
        std::memcpy(&m_values[id], value, 4);
    } else {
        return kSdkInvalidParameter;
    }
    // Like a real camera, it tells about the value it took.
    queueLocked({Event::Kind::Property, kEventPropertyChanged, id, nullptr});
    return kSdkOk;
}

SdkError SimulatedCamera::propertyDesc(SdkRef camera, std::uint32_t id, PropertyDesc *desc)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::PropertyDesc, "propertyDesc " + std::to_string(id), id))
        return code;
    if (!m_session)
        return kSdkInternalError;
    *desc = PropertyDesc{};
    if (const auto it = m_descriptions.find(id); it != m_descriptions.end()) {
        desc->count = std::int32_t(std::min<std::size_t>(it->second.size(), 128));
        std::copy_n(it->second.begin(), desc->count, desc->values);
    }
    return kSdkOk;
}

SdkError SimulatedCamera::cameraCommand(SdkRef camera, std::uint32_t command, std::int32_t parameter)
{
    std::lock_guard lock(m_mutex);
    if (!isCameraLocked(camera))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::CameraCommand, "cameraCommand " + std::to_string(command) + " " + std::to_string(parameter)))
        return code;
    if (!m_session)
        return kSdkInternalError;
    if (command == kCmdShutter && std::uint32_t(parameter) == kShutterFully) {
        // The shot is ready for transfer right away.
        ++m_shots;
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", m_shots);
        const std::string shotName = m_shotName.empty() ? name : m_shotName;
        SdkRef item = adoptLocked(new ItemObject(shotName, SimulatedPictures::Shot(m_shots)));
        queueLocked({Event::Kind::Object, kEventShotReady, 0, item});
    }
    return kSdkOk;
}

SdkError SimulatedCamera::transferItemInfo(SdkRef item, TransferItemInfo *info)
{
    std::lock_guard lock(m_mutex);
    const auto *shot = objectLocked<ItemObject>(item);
    if (!shot)
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::TransferItemInfo, "transferItemInfo"))
        return code;
    *info = TransferItemInfo{};
    info->size = std::uint64_t(shot->bytes.size());
    std::snprintf(info->fileName, sizeof info->fileName, "%s", shot->name.c_str());
    return kSdkOk;
}

SdkError SimulatedCamera::createFileStream(const char *fileName, std::uint32_t disposition, std::uint32_t access, SdkRef *stream)
{
    std::lock_guard lock(m_mutex);
    if (const SdkError code = gateLocked(Operation::CreateFileStream, std::string("createFileStream ") + fileName))
        return code;
    if (disposition != kStreamCreateAlways || access != kStreamReadWrite)
        return kSdkInvalidParameter;
    auto file = std::make_unique<FileStreamObject>();
    file->file.open(fileName, std::ios::binary | std::ios::trunc | std::ios::out);
    if (!file->file)
        return kSdkFileError;
    *stream = adoptLocked(file.release());
    return kSdkOk;
}

SdkError SimulatedCamera::setProgressHandler(SdkRef stream, ProgressHandler handler, std::uint32_t option, void *context)
{
    std::lock_guard lock(m_mutex);
    auto *file = objectLocked<FileStreamObject>(stream);
    if (!file || option != kProgressPeriodic)
        return kSdkInvalidParameter;
    file->progress = handler;
    file->progressContext = context;
    return kSdkOk;
}

SdkError SimulatedCamera::download(SdkRef item, std::uint64_t size, SdkRef stream)
{
    std::unique_lock lock(m_mutex);
    const auto *shot = objectLocked<ItemObject>(item);
    auto *file = objectLocked<FileStreamObject>(stream);
    if (!shot || !file)
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::Download, "download"))
        return code;
    if (size > std::uint64_t(shot->bytes.size()))
        return kSdkInvalidParameter;
    const auto delay = m_transferStepDelay;
    lock.unlock();
    // In ten steps, each reported; the caller owns item and stream until it releases them.
    const qsizetype total = qsizetype(size);
    for (int step = 1; step <= 10; ++step) {
        const qsizetype from = total * (step - 1) / 10;
        const qsizetype to = total * step / 10;
        file->file.write(shot->bytes.constData() + from, to - from);
        Pause(delay);
        if (file->progress)
            file->progress(std::uint32_t(step * 10), file->progressContext);
    }
    file->file.flush();
    return file->file ? kSdkOk : kSdkFileError;
}

SdkError SimulatedCamera::downloadComplete(SdkRef item)
{
    std::lock_guard lock(m_mutex);
    if (!objectLocked<ItemObject>(item))
        return kSdkInvalidParameter;
    return gateLocked(Operation::DownloadComplete, "downloadComplete");
}

SdkError SimulatedCamera::createMemoryStream(std::uint64_t capacity, SdkRef *stream)
{
    std::lock_guard lock(m_mutex);
    *stream = adoptLocked(new MemoryStreamObject(capacity));
    return kSdkOk;
}

SdkError SimulatedCamera::createLiveViewImage(SdkRef stream, SdkRef *image)
{
    std::lock_guard lock(m_mutex);
    auto *memory = objectLocked<MemoryStreamObject>(stream);
    if (!memory)
        return kSdkInvalidParameter;
    *image = adoptLocked(new LiveViewImageObject(memory));
    return kSdkOk;
}

SdkError SimulatedCamera::fetchLiveViewFrame(SdkRef camera, SdkRef image)
{
    std::lock_guard lock(m_mutex);
    auto *frame = objectLocked<LiveViewImageObject>(image);
    if (!isCameraLocked(camera) || !frame || !m_objects.count(frame->stream))
        return kSdkInvalidParameter;
    if (const SdkError code = gateLocked(Operation::FetchLiveViewFrame, "fetchLiveViewFrame"))
        return code;
    if (!m_session || !(valueLocked(kPropEvfOutputDevice) & kEvfOutputComputer))
        return kSdkInternalError;
    ++m_frames;
    const QByteArray jpeg = liveViewFrameLocked(m_frames);
    if (std::uint64_t(jpeg.size()) > frame->stream->capacity)
        return kSdkInternalError;
    frame->stream->bytes = jpeg;
    frame->zoom = valueLocked(kPropEvfZoom);
    // The rectangle a five-fold magnification would show, at the zoom position.
    frame->zoomRect = {m_zoomPosition.x, m_zoomPosition.y, kSensor.width / 5, kSensor.height / 5};
    frame->coordinates = m_coordinates;
    return kSdkOk;
}

SdkError SimulatedCamera::streamData(SdkRef stream, const void **data)
{
    std::lock_guard lock(m_mutex);
    const auto *memory = objectLocked<MemoryStreamObject>(stream);
    if (!memory)
        return kSdkInvalidParameter;
    *data = memory->bytes.isEmpty() ? nullptr : memory->bytes.constData();
    return kSdkOk;
}

SdkError SimulatedCamera::streamLength(SdkRef stream, std::uint64_t *length)
{
    std::lock_guard lock(m_mutex);
    const auto *memory = objectLocked<MemoryStreamObject>(stream);
    if (!memory)
        return kSdkInvalidParameter;
    *length = std::uint64_t(memory->bytes.size());
    return kSdkOk;
}
