#pragma once

#include <mutex>
#include <string_view>
#include <vector>

// The upward event path: the camera model tells its observers what changed.
// An event has a name and one argument whose type the name decides; the
// argument is valid only during the broadcast.
struct ModelEvent
{
    std::string_view name;
    const void *argument = nullptr;
};

// Event names and what their argument points to.
inline constexpr std::string_view kModelPropertyChanged = "PropertyChanged";         // std::uint32_t property id
inline constexpr std::string_view kModelPropertyDescChanged = "PropertyDescChanged"; // std::uint32_t property id
inline constexpr std::string_view kModelDeviceBusy = "DeviceBusy";                   // nothing
inline constexpr std::string_view kModelError = "error";                             // SdkError code
inline constexpr std::string_view kModelDownloadStart = "DownloadStart";             // nothing
inline constexpr std::string_view kModelProgressReport = "ProgressReport";           // std::uint32_t percentage
inline constexpr std::string_view kModelDownloadComplete = "DownloadComplete";       // SdkError code (0)
inline constexpr std::string_view kModelEvfDataChanged = "EvfDataChanged";           // LiveViewFrame
inline constexpr std::string_view kModelShutDown = "shutDown";                       // nothing

class Observable;

class Observer
{
public:
    virtual ~Observer() = default;
    // Runs on the thread that broadcasts, the command processor's for every
    // model event: an observer that touches widgets hands the work over.
    virtual void onModelEvent(Observable &from, const ModelEvent &event) = 0;
};

// Observers are not owned and never detached: they live as long as the
// observable (the camera window and its controls outlive the model's use).
class Observable
{
public:
    Observable() = default;
    virtual ~Observable() = default;
    Observable(const Observable &) = delete;
    Observable &operator=(const Observable &) = delete;

    // Adds the observer at the end unless it is there already.
    void attach(Observer *observer);
    // Tells every observer, the last attached first.
    void broadcast(const ModelEvent &event);

private:
    std::mutex m_mutex; // guards the list; observers are called without it
    std::vector<Observer *> m_observers;
};
