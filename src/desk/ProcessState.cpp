#include "desk/ProcessState.h"

QString SharedText::Get() const
{
    const std::lock_guard lock(m_mutex);
    return m_text;
}

void SharedText::Set(const QString &text)
{
    const std::lock_guard lock(m_mutex);
    m_text = text;
}
