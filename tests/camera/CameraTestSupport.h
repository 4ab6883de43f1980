#pragma once

#include "camera/Actions.h"
#include "camera/CameraSession.h"
#include "camera/ModelEvents.h"
#include "camera/sdk/SimulatedCamera.h"
#include "tests/support/ProgramFolder.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Records every model event it is told, with its argument read as a 32-bit
// value where the event has one, and the thread it came on.
class RecordingObserver final : public Observer
{
public:
    struct Entry
    {
        std::string name;
        std::int64_t value = -1; // -1: no argument
        std::thread::id thread;
    };

    void onModelEvent(Observable &from, const ModelEvent &event) override;

    std::vector<Entry> entries() const;
    // The names in order, joined by blanks; "PropertyChanged 1078" where the event has a value.
    std::string trace() const;
    int count(const std::string &name, std::int64_t value = -2) const;
    // Waits until the event was told `times` times (with that value, unless -2).
    bool waitFor(const std::string &name, int times = 1, std::int64_t value = -2,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Entry> m_entries;
};

// A simulated camera connected through a camera session, as the camera
// start-up connects one, in a program folder of its own (shots land there):
// the tests keep a handle on the camera's switches.
struct SimulatedRig
{
    explicit SimulatedRig(ShotFiling filing = {}, void (*prepare)(SimulatedCamera &) = nullptr);
    ~SimulatedRig();

    ProgramFolder folder;
    SimulatedCamera *camera = nullptr; // owned by the session
    std::unique_ptr<CameraSession> session;
    RecordingObserver events;
};

// A file's bytes; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path &file);

// Raises the action on the listener as a control would.
void Raise(ActionListener &listener, const std::string &name, void *argument = nullptr);

// Waits until the condition holds or the limit has passed; true when it holds.
template <class Condition> bool Eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
