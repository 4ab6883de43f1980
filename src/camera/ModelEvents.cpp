#include "camera/ModelEvents.h"

#include <algorithm>

void Observable::attach(Observer *observer)
{
    std::lock_guard lock(m_mutex);
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void Observable::broadcast(const ModelEvent &event)
{
    std::vector<Observer *> observers;
    {
        std::lock_guard lock(m_mutex);
        observers = m_observers;
    }
    for (auto it = observers.rbegin(); it != observers.rend(); ++it)
        (*it)->onModelEvent(*this, event);
}
