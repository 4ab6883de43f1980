#include "tests/camera/FakeGphoto.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

FakeGphoto::FakeGphoto()
{
    m_cameras = {{"Studio Body 90 (fake)", "usb:001,004", true}};
}

void FakeGphoto::setCameras(std::vector<GphotoCameraId> cameras)
{
    std::lock_guard lock(m_mutex);
    m_cameras = std::move(cameras);
}

void FakeGphoto::setSetting(const std::string &name, GphotoSetting setting)
{
    std::lock_guard lock(m_mutex);
    m_settings[name] = std::move(setting);
}

void FakeGphoto::addFile(const GphotoFile &file, std::string bytes)
{
    std::lock_guard lock(m_mutex);
    m_files[file] = std::move(bytes);
}

void FakeGphoto::fail(const std::string &call, int result, int times)
{
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < times; ++i)
        m_failures[call].push_back(result);
}

void FakeGphoto::setFrames(std::vector<std::string> frames)
{
    std::lock_guard lock(m_mutex);
    m_frames = std::move(frames);
    m_frame = 0;
}

void FakeGphoto::raiseFileAdded(const GphotoFile &file)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back({GphotoEvent::Kind::FileAdded, file});
}

void FakeGphoto::setCaptureName(const GphotoFile &file)
{
    std::lock_guard lock(m_mutex);
    m_captureName = file;
}

std::vector<std::string> FakeGphoto::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

int FakeGphoto::count(const std::string &line) const
{
    std::lock_guard lock(m_mutex);
    return int(std::count(m_calls.begin(), m_calls.end(), line));
}

std::string FakeGphoto::setting(const std::string &name) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_settings.find(name);
    return it == m_settings.end() ? std::string() : it->second.value;
}

bool FakeGphoto::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

// Under m_mutex.
int FakeGphoto::planned(const std::string &call)
{
    auto it = m_failures.find(call);
    if (it == m_failures.end() || it->second.empty())
        return 0;
    const int result = it->second.front();
    it->second.pop_front();
    return result;
}

void FakeGphoto::log(const std::string &line)
{
    m_calls.push_back(line);
}

int FakeGphoto::detect(std::vector<GphotoCameraId> *cameras)
{
    std::lock_guard lock(m_mutex);
    *cameras = m_cameras;
    return 0;
}

int FakeGphoto::open(const GphotoCameraId &camera)
{
    std::lock_guard lock(m_mutex);
    log("open " + camera.model);
    if (const int result = planned("open"))
        return result;
    m_open = true;
    return 0;
}

void FakeGphoto::close()
{
    std::lock_guard lock(m_mutex);
    if (m_open)
        log("close");
    m_open = false;
}

int FakeGphoto::readSetting(const std::string &name, GphotoSetting *setting)
{
    std::lock_guard lock(m_mutex);
    if (const int result = planned("readSetting"))
        return result;
    const auto it = m_settings.find(name);
    if (it == m_settings.end())
        return -2; // libgphoto2's answer for a widget the camera lacks
    *setting = it->second;
    return 0;
}

int FakeGphoto::writeSetting(const std::string &name, const std::string &value)
{
    std::lock_guard lock(m_mutex);
    log("writeSetting " + name + "=" + value);
    if (const int result = planned("writeSetting"))
        return result;
    const auto it = m_settings.find(name);
    if (it == m_settings.end())
        return -2;
    it->second.value = value;
    return 0;
}

int FakeGphoto::capture(GphotoFile *shot)
{
    std::lock_guard lock(m_mutex);
    log("capture");
    if (const int result = planned("capture"))
        return result;
    m_files[m_captureName] = "shot bytes of " + m_captureName.name;
    *shot = m_captureName;
    return 0;
}

int FakeGphoto::capturePreview(std::string *frame)
{
    std::lock_guard lock(m_mutex);
    log("capturePreview");
    if (const int result = planned("capturePreview"))
        return result;
    *frame = m_frames.empty() ? std::string() : m_frames[std::min(m_frame++, m_frames.size() - 1)];
    return 0;
}

int FakeGphoto::waitForEvent(int timeoutMs, GphotoEvent *event)
{
    {
        std::lock_guard lock(m_mutex);
        if (const int result = planned("waitForEvent"))
            return result;
        if (!m_events.empty()) {
            *event = m_events.front();
            m_events.pop_front();
            return 0;
        }
    }
    // A camera with nothing to say keeps the caller a while, as a real one does.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 20)));
    *event = GphotoEvent{};
    return 0;
}

int FakeGphoto::listFiles(std::vector<GphotoFile> *files)
{
    std::lock_guard lock(m_mutex);
    if (const int result = planned("listFiles"))
        return result;
    files->clear();
    for (const auto &entry : m_files)
        files->push_back(entry.first);
    return 0;
}

int FakeGphoto::fileSize(const GphotoFile &file, std::uint64_t *size)
{
    std::lock_guard lock(m_mutex);
    if (const int result = planned("fileSize"))
        return result;
    const auto it = m_files.find(file);
    if (it == m_files.end())
        return -108;
    *size = it->second.size();
    return 0;
}

int FakeGphoto::download(const GphotoFile &file, const std::string &target, const std::function<void(double)> &progress)
{
    std::string bytes;
    {
        std::lock_guard lock(m_mutex);
        log("download " + file.folder + "/" + file.name);
        if (const int result = planned("download"))
            return result;
        const auto it = m_files.find(file);
        if (it == m_files.end())
            return -108;
        bytes = it->second;
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size() / 2));
    progress(0.5);
    out.write(bytes.data() + bytes.size() / 2, std::streamsize(bytes.size() - bytes.size() / 2));
    progress(1.0);
    return out ? 0 : -1;
}

int FakeGphoto::deleteFile(const GphotoFile &file)
{
    std::lock_guard lock(m_mutex);
    log("deleteFile " + file.folder + "/" + file.name);
    m_files.erase(file);
    return 0;
}
