#include "camera/Actions.h"

#include <algorithm>

void ActionSource::setCommandName(const std::string &name)
{
    std::lock_guard lock(m_mutex);
    m_command = name;
}

std::string ActionSource::commandName() const
{
    std::lock_guard lock(m_mutex);
    return m_command;
}

void ActionSource::addListener(ActionListener *listener)
{
    std::lock_guard lock(m_mutex);
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void ActionSource::raise(void *argument)
{
    raiseAs(commandName(), argument);
}

void ActionSource::raiseAs(const std::string &command, void *argument)
{
    ActionEvent event;
    std::vector<ActionListener *> listeners;
    {
        std::lock_guard lock(m_mutex);
        listeners = m_listeners;
    }
    event.command = command;
    event.argument = argument;
    for (ActionListener *listener : listeners)
        listener->onAction(event);
}
