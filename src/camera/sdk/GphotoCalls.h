#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The few libgphoto2 calls the real-camera backend needs, on one camera at a
// time, in plain C++ types. Every call returns libgphoto2's own result code
// (0 success, negative failures such as -110 camera busy). One implementation
// drives libgphoto2; the tests put a fake in its place to play a busy, slow or
// unplugged camera. Not thread-safe: the backend serialises the calls.
struct GphotoCameraId
{
    std::string model; // libgphoto2's model name, e.g. "Directory Browse"
    std::string port;  // e.g. "usb:001,004" or "disk:/some/folder"
    bool canCapture = false;
};

struct GphotoFile
{
    std::string folder;
    std::string name;
    bool operator<(const GphotoFile &other) const { return folder != other.folder ? folder < other.folder : name < other.name; }
    bool operator==(const GphotoFile &other) const { return folder == other.folder && name == other.name; }
};

// A configuration widget: its value as text and, for a choice, the choices.
struct GphotoSetting
{
    std::string value;
    std::vector<std::string> choices;
    bool readOnly = false;
};

struct GphotoEvent
{
    enum class Kind { Timeout, FileAdded, Other } kind = Kind::Timeout;
    GphotoFile file; // FileAdded only
};

class GphotoCalls
{
public:
    virtual ~GphotoCalls() = default;

    // The attached cameras libgphoto2 recognises.
    virtual int detect(std::vector<GphotoCameraId> *cameras) = 0;
    // Opens the camera (its driver and port); close() is safe at any time.
    virtual int open(const GphotoCameraId &camera) = 0;
    virtual void close() = 0;

    // Configuration widgets by name (e.g. "shutterspeed").
    virtual int readSetting(const std::string &name, GphotoSetting *setting) = 0;
    virtual int writeSetting(const std::string &name, const std::string &value) = 0;

    virtual int capture(GphotoFile *shot) = 0;
    // One live-view frame; its bytes, empty when the camera gave none.
    virtual int capturePreview(std::string *frame) = 0;
    virtual int waitForEvent(int timeoutMs, GphotoEvent *event) = 0;
    // Every file in every folder of the camera.
    virtual int listFiles(std::vector<GphotoFile> *files) = 0;
    virtual int fileSize(const GphotoFile &file, std::uint64_t *size) = 0;
    // Writes the file into target (a path on this computer), telling the
    // share done (0 to 1) as it goes.
    virtual int download(const GphotoFile &file, const std::string &target, const std::function<void(double)> &progress) = 0;
    virtual int deleteFile(const GphotoFile &file) = 0;
};

// The libgphoto2 implementation.
std::unique_ptr<GphotoCalls> MakeGphotoCalls();
// libgphoto2's text for one of its result codes.
std::string GphotoResultText(int result);
