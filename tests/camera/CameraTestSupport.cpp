#include "tests/camera/CameraTestSupport.h"

#include "camera/CameraModel.h"

#include <fstream>
#include <sstream>

namespace {

bool HasValue(std::string_view name)
{
    return name == kModelPropertyChanged || name == kModelPropertyDescChanged || name == kModelError
           || name == kModelProgressReport || name == kModelDownloadComplete;
}

} // namespace

void RecordingObserver::onModelEvent(Observable &, const ModelEvent &event)
{
    Entry entry{std::string(event.name), -1, std::this_thread::get_id()};
    if (HasValue(event.name) && event.argument)
        entry.value = *static_cast<const std::uint32_t *>(event.argument);
    std::lock_guard lock(m_mutex);
    m_entries.push_back(entry);
    m_changed.notify_all();
}

std::vector<RecordingObserver::Entry> RecordingObserver::entries() const
{
    std::lock_guard lock(m_mutex);
    return m_entries;
}

std::string RecordingObserver::trace() const
{
    std::ostringstream text;
    for (const Entry &entry : entries()) {
        if (text.tellp() > 0)
            text << ' ';
        text << entry.name;
        if (entry.value >= 0)
            text << ' ' << entry.value;
    }
    return text.str();
}

int RecordingObserver::count(const std::string &name, std::int64_t value) const
{
    std::lock_guard lock(m_mutex);
    int found = 0;
    for (const Entry &entry : m_entries)
        if (entry.name == name && (value == -2 || entry.value == value))
            ++found;
    return found;
}

bool RecordingObserver::waitFor(const std::string &name, int times, std::int64_t value, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        int found = 0;
        for (const Entry &entry : m_entries)
            if (entry.name == name && (value == -2 || entry.value == value))
                ++found;
        return found >= times;
    });
}

void RecordingObserver::clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

SimulatedRig::SimulatedRig(ShotFiling filing, void (*prepare)(SimulatedCamera &))
{
    auto sdk = std::make_unique<SimulatedCamera>();
    camera = sdk.get();
    if (prepare)
        prepare(*camera);
    session = CameraSession::connect(std::move(sdk), std::move(filing));
    if (session)
        session->model().attach(&events);
}

SimulatedRig::~SimulatedRig()
{
    session.reset();
}

void Raise(ActionListener &listener, const std::string &name, void *argument)
{
    ActionEvent event;
    event.command = name;
    event.argument = argument;
    listener.onAction(event);
}

std::string FileBytes(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
