#pragma once

#include "camera/ui/CameraShootDlg.h"
#include "tests/camera/CameraTestSupport.h"

#include <QImage>
#include <QPushButton>
#include <QRect>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// The camera window opened on a simulated camera, as the photography page
// opens it, shown at a fixed size so the picture is 800 by 600 pixels.
struct WindowRig
{
    explicit WindowRig(void (*prepare)(SimulatedCamera &) = nullptr);
    ~WindowRig();

    QPushButton *button(int id) const;
    void click(int id) const;
    // Waits (bounded) until `more` frames beyond those shown so far were shown.
    bool waitForFrames(int more) const;

    SimulatedRig rig;
    std::unique_ptr<CameraShootDlg> window;
};

// The share of the pixels of a one-pixel outline from (left, top) to
// (right, bottom), both ends excluded, that have exactly this colour.
double OutlineShare(const QImage &picture, QRect outline, QRgb colour);

// Ends the test program with a message when the guarded scope has not
// ended within the limit: a hang shows as a failure, not as a time-out.
class HangGuard final
{
public:
    HangGuard(const char *what, std::chrono::seconds limit);
    ~HangGuard();

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};
