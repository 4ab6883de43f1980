#pragma once

#include <mutex>
#include <string>
#include <vector>

// The downward event path: controls and the camera library's event handlers
// raise named actions; the camera controller turns each into a command.
struct ActionEvent
{
    virtual ~ActionEvent() = default;
    std::string command;
    void *argument = nullptr; // not owned; its type depends on the command name
};

class ActionListener
{
public:
    virtual ~ActionListener() = default;
    virtual void onAction(const ActionEvent &event) = 0;
};

// Something that raises one named action: a button, a combo box, the
// live-view picture. Listeners are not owned and never removed.
class ActionSource
{
public:
    ActionSource() = default;
    virtual ~ActionSource() = default;

    void setCommandName(const std::string &name);
    std::string commandName() const;
    // Appends the listener unless it is there already.
    void addListener(ActionListener *listener);
    // Tells every listener, the first added first.
    void raise(void *argument = nullptr);
    // The same under another name, for a source that raises follow-up actions.
    void raiseAs(const std::string &command, void *argument = nullptr);

private:
    mutable std::mutex m_mutex; // guards name and list; listeners are called without it
    std::string m_command;
    std::vector<ActionListener *> m_listeners;
};
