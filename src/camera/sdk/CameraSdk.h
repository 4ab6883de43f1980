#pragma once

#include <cstddef>
#include <cstdint>

// The camera library's interface: the operations, codes, records and events
// the camera layer relies on, and nothing more. Backends: SimulatedCamera (a
// virtual camera in the process) and, for real cameras, a libgphoto2 one.
// Every operation returns an SdkError. The registered event handlers may be
// called on any thread, also while another operation runs.

using SdkError = std::uint32_t;

constexpr SdkError kSdkOk = 0;
constexpr SdkError kSdkDeviceBusy = 0x81;
constexpr SdkError kSdkNoCamera = 0x80;          // the program's own code: no camera found
constexpr SdkError kSdkFrameNotReady = 0xA102;   // live-view frame not ready yet
// Codes of this library's own choosing for the other failures.
constexpr SdkError kSdkInternalError = 0x02;
constexpr SdkError kSdkFileError = 0x20;
constexpr SdkError kSdkInvalidParameter = 0x60;
constexpr SdkError kSdkCommunicationError = 0xC0; // the camera stopped answering (switched off, unplugged)

// Busy is told by the low 16 bits: a backend may add its own bits above.
constexpr bool IsDeviceBusy(SdkError code) { return (code & 0xFFFF) == kSdkDeviceBusy; }

// An object the library hands out: camera list, camera, transfer item,
// stream, live-view image. Callers give every one back once with release().
class SdkObject
{
public:
    virtual ~SdkObject() = default;

protected:
    SdkObject() = default;
};
using SdkRef = SdkObject *;

// Property ids.
enum SdkProperty : std::uint32_t {
    kPropCameraModel = 2,        // text
    kPropSaveTo = 11,            // 2 = shots are handed to the computer
    kPropImageQuality = 256,
    kPropFocusRecord = 260,      // FocusRecord
    kPropIso = 1026,
    kPropMetering = 1027,
    kPropAperture = 1029,
    kPropShutterSpeed = 1030,
    kPropExposureCompensation = 1031,
    kPropExposureMode = 1078,
    kPropEvfOutputDevice = 1280, // flag kEvfOutputComputer: frames go to the computer
    kPropEvfMode = 1281,
    kPropEvfDepthOfFieldPreview = 1284,
    kPropEvfZoom = 1287,         // 1 whole picture, 5 magnified
    kPropEvfZoomPosition = 1288, // CameraPoint
    kPropEvfAfMode = 1294,
    kPropEvfCoordinateSize = 1344, // CameraSize
    kPropEvfZoomRect = 1345,       // CameraRect
};
constexpr std::uint32_t kSaveToComputer = 2;
constexpr std::uint32_t kEvfOutputComputer = 2;
constexpr std::uint32_t kEvfZoomFit = 1;
constexpr std::uint32_t kEvfZoomMagnified = 5;

// Property data types.
enum SdkDataType : std::uint32_t {
    kDataText = 2,
    kDataUInt32 = 9,
    kDataFocusRecord = 101,
    kDataPoint = 102, // of this library's choosing, like the two below
    kDataRect = 103,
    kDataSize = 104,
};

// Camera commands and their parameters.
enum SdkCommand : std::uint32_t {
    kCmdShutter = 4,
    kCmdEvfAf = 258,
    kCmdDriveLens = 259,
};
constexpr std::uint32_t kShutterOff = 0;
constexpr std::uint32_t kShutterHalfway = 1;
constexpr std::uint32_t kShutterFully = 3;
constexpr std::uint32_t kEvfAfOff = 0;
constexpr std::uint32_t kEvfAfOn = 1;
// Lens drive: 1 to 3 nearer, 0x8001 to 0x8003 farther, in growing steps.
constexpr std::uint32_t kLensNear1 = 1, kLensNear2 = 2, kLensNear3 = 3;
constexpr std::uint32_t kLensFar1 = 0x8001, kLensFar2 = 0x8002, kLensFar3 = 0x8003;

// Status command parameter: the camera's own controls locked or unlocked.
constexpr std::uint32_t kStatusLock = 0;
constexpr std::uint32_t kStatusUnlock = 1;

// Events and the masks their handlers are registered with.
constexpr std::uint32_t kPropertyEventMask = 0x100;
constexpr std::uint32_t kObjectEventMask = 0x200;
constexpr std::uint32_t kStateEventMask = 0x300;
constexpr std::uint32_t kEventPropertyChanged = 257;     // parameter: property id
constexpr std::uint32_t kEventPropertyDescChanged = 258; // parameter: property id
constexpr std::uint32_t kEventShotReady = 520;           // object: the transfer item
constexpr std::uint32_t kEventShutDown = 769;            // the camera was switched off

// File stream modes.
constexpr std::uint32_t kStreamCreateAlways = 1;
constexpr std::uint32_t kStreamReadWrite = 2;
constexpr std::uint32_t kProgressPeriodic = 2;
constexpr std::size_t kEvfStreamBytes = 0x200000;

// Handlers return 0. The object handler owns the object it is given.
using PropertyEventHandler = SdkError (*)(std::uint32_t event, std::uint32_t property, std::uint32_t parameter, void *context);
using ObjectEventHandler = SdkError (*)(std::uint32_t event, SdkRef object, void *context);
using StateEventHandler = SdkError (*)(std::uint32_t event, std::uint32_t parameter, void *context);
using ProgressHandler = SdkError (*)(std::uint32_t percent, void *context);

struct CameraPoint
{
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct CameraSize
{
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct CameraRect
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct DeviceInfo
{
    char portName[256] = {};
    char description[256] = {};
    std::uint32_t subType = 0; // 0: a camera of the older protocol
    std::uint32_t reserved = 0;
};
static_assert(offsetof(DeviceInfo, subType) == 512);

struct PropertyDesc
{
    std::int32_t form = 0;
    std::int32_t access = 0;
    std::int32_t count = 0; // allowed values that follow
    std::uint32_t values[128] = {};
};
static_assert(sizeof(PropertyDesc) == 524 && offsetof(PropertyDesc, count) == 8);

struct FocusPoint
{
    std::uint32_t valid = 0;
    std::uint32_t selected = 0;
    std::uint32_t inFocus = 0; // bit 0: in focus
    CameraRect rect;
    std::uint32_t reserved = 0;
};
static_assert(sizeof(FocusPoint) == 32);

struct FocusRecord
{
    CameraRect image;
    std::uint32_t pointCount = 0;
    FocusPoint points[1053];
    std::uint32_t trailing = 0;
};
static_assert(sizeof(FocusRecord) == 33720);

struct TransferItemInfo
{
    std::uint64_t size = 0;
    std::uint32_t isFolder = 0;
    std::uint32_t group = 0;
    std::uint32_t option = 0;
    char fileName[256] = {}; // the camera's own name for the shot
    std::uint32_t format = 0;
    std::uint32_t dateTime = 0;
};
static_assert(offsetof(TransferItemInfo, fileName) == 20);

struct CapacityRecord
{
    std::int32_t freeClusters = 0;
    std::int32_t bytesPerSector = 0;
    std::int32_t reset = 0;
};
static_assert(sizeof(CapacityRecord) == 12);

class CameraSdk
{
public:
    virtual ~CameraSdk() = default;

    // The library as a whole; stop() only after start() succeeded. Once
    // stop() returns no handler runs any more.
    virtual SdkError start() = 0;
    virtual SdkError stop() = 0;

    // The attached cameras: a list, its length and its entries.
    virtual SdkError cameraList(SdkRef *list) = 0;
    virtual SdkError childCount(SdkRef list, std::int32_t *count) = 0;
    virtual SdkError childAt(SdkRef list, std::int32_t index, SdkRef *child) = 0;
    virtual SdkError deviceInfo(SdkRef camera, DeviceInfo *info) = 0;
    // Gives back any object; called once per object, also after stop().
    virtual SdkError release(SdkRef object) = 0;

    // Event handlers, registered with the masks above. A null handler unregisters.
    virtual SdkError setPropertyEventHandler(SdkRef camera, std::uint32_t mask, PropertyEventHandler handler, void *context) = 0;
    virtual SdkError setObjectEventHandler(SdkRef camera, std::uint32_t mask, ObjectEventHandler handler, void *context) = 0;
    virtual SdkError setStateEventHandler(SdkRef camera, std::uint32_t mask, StateEventHandler handler, void *context) = 0;

    virtual SdkError openSession(SdkRef camera) = 0;
    virtual SdkError closeSession(SdkRef camera) = 0;
    virtual SdkError statusCommand(SdkRef camera, std::uint32_t parameter) = 0;
    // Tells the camera how much room the computer has for its shots.
    virtual SdkError setCapacity(SdkRef camera, const CapacityRecord &capacity) = 0;

    // Properties of a camera or of a live-view image.
    virtual SdkError propertySize(SdkRef ref, std::uint32_t id, std::int32_t parameter, std::uint32_t *type, std::uint32_t *size) = 0;
    virtual SdkError readProperty(SdkRef ref, std::uint32_t id, std::int32_t parameter, std::uint32_t size, void *buffer) = 0;
    virtual SdkError writeProperty(SdkRef camera, std::uint32_t id, std::int32_t parameter, std::uint32_t size, const void *value) = 0;
    virtual SdkError propertyDesc(SdkRef camera, std::uint32_t id, PropertyDesc *desc) = 0;

    virtual SdkError cameraCommand(SdkRef camera, std::uint32_t command, std::int32_t parameter) = 0;

    // Shot transfer: the item's information, a file stream to download into
    // (name relative to the current directory), progress, download, completion.
    virtual SdkError transferItemInfo(SdkRef item, TransferItemInfo *info) = 0;
    virtual SdkError createFileStream(const char *fileName, std::uint32_t disposition, std::uint32_t access, SdkRef *stream) = 0;
    virtual SdkError setProgressHandler(SdkRef stream, ProgressHandler handler, std::uint32_t option, void *context) = 0;
    virtual SdkError download(SdkRef item, std::uint64_t size, SdkRef stream) = 0;
    virtual SdkError downloadComplete(SdkRef item) = 0;

    // Live view: a memory stream, a live-view image on it, the current frame
    // fetched into it; then the stream's JPEG bytes.
    virtual SdkError createMemoryStream(std::uint64_t capacity, SdkRef *stream) = 0;
    virtual SdkError createLiveViewImage(SdkRef stream, SdkRef *image) = 0;
    virtual SdkError fetchLiveViewFrame(SdkRef camera, SdkRef image) = 0;
    virtual SdkError streamData(SdkRef stream, const void **data) = 0;
    virtual SdkError streamLength(SdkRef stream, std::uint64_t *length) = 0;
};
