#pragma once

#include "camera/sdk/GphotoCalls.h"

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// libgphoto2 played in memory: cameras, configuration widgets, files, events
// and planned failures, so the real-camera backend can be driven through
// busy, not-ready and unplugged cameras without hardware. Thread-safe.
class FakeGphoto final : public GphotoCalls
{
public:
    // Result codes of libgphoto2 the tests plan.
    static constexpr int kBusy = -110, kNotSupported = -6, kIo = -7, kUsbFind = -52, kUsbClaim = -53, kTimeout = -10;

    FakeGphoto();

    // --- Set-up ---
    void setCameras(std::vector<GphotoCameraId> cameras);
    void setSetting(const std::string &name, GphotoSetting setting);
    void addFile(const GphotoFile &file, std::string bytes);
    // The next `times` calls of the named operation ("open", "readSetting",
    // "writeSetting", "capture", "capturePreview", "waitForEvent", "listFiles",
    // "fileSize", "download") give the result.
    void fail(const std::string &call, int result, int times = 1);
    // Frames the preview gives in turn ("" is a frame not ready); then the last one again.
    void setFrames(std::vector<std::string> frames);
    // An event the next wait hands out.
    void raiseFileAdded(const GphotoFile &file);
    // A shot's name for the next captures (added as a file).
    void setCaptureName(const GphotoFile &file);

    // --- What happened ---
    // "open Model", "writeSetting aperture=5.6", "capture", "download /DCIM/IMG.JPG", ...; no waits or listings.
    std::vector<std::string> calls() const;
    int count(const std::string &line) const;
    std::string setting(const std::string &name) const;
    bool isOpen() const;

    // --- libgphoto2 ---
    int detect(std::vector<GphotoCameraId> *cameras) override;
    int open(const GphotoCameraId &camera) override;
    void close() override;
    int readSetting(const std::string &name, GphotoSetting *setting) override;
    int writeSetting(const std::string &name, const std::string &value) override;
    int capture(GphotoFile *shot) override;
    int capturePreview(std::string *frame) override;
    int waitForEvent(int timeoutMs, GphotoEvent *event) override;
    int listFiles(std::vector<GphotoFile> *files) override;
    int fileSize(const GphotoFile &file, std::uint64_t *size) override;
    int download(const GphotoFile &file, const std::string &target, const std::function<void(double)> &progress) override;
    int deleteFile(const GphotoFile &file) override;

private:
    int planned(const std::string &call);
    void log(const std::string &line);

    mutable std::mutex m_mutex;
    std::vector<GphotoCameraId> m_cameras;
    std::map<std::string, GphotoSetting> m_settings;
    std::map<GphotoFile, std::string> m_files;
    std::map<std::string, std::deque<int>> m_failures;
    std::vector<std::string> m_frames;
    std::size_t m_frame = 0;
    std::deque<GphotoEvent> m_events;
    GphotoFile m_captureName{"/store_00020001/DCIM/100IMAGE", "IMG_0001.JPG"};
    std::vector<std::string> m_calls;
    bool m_open = false;
};
