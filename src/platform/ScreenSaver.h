#pragma once

#include <cstdint>

// Allows or forbids the screen saver for this session only, through the
// desktop's screen-saver service when a session bus exists; otherwise nothing.
class ScreenSaver final
{
public:
    ScreenSaver() = default;
    ScreenSaver(const ScreenSaver &) = delete;
    ScreenSaver &operator=(const ScreenSaver &) = delete;
    ~ScreenSaver();

    void Forbid();
    void Allow();
    bool IsForbidden() const { return m_cookie != 0; }

private:
    uint32_t m_cookie = 0;
};
