#pragma once

#include "camera/LiveViewFrame.h"
#include "camera/sdk/CameraSdk.h"

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// The focus points of a focus record with their rectangles scaled from the
// record's image rectangle to a window of the given size (truncated toward
// zero). Nothing when the record has no image size to scale from.
std::vector<FocusPoint> FocusPointsInWindow(const FocusRecord &record, QSize window);

// What to draw over a frame: the zoom rectangle (when shown) and the focus
// points in window pixels.
struct LiveViewOverlay
{
    bool showZoomRect = true;
    std::vector<FocusPoint> focusPoints;
};

// A frame's JPEG stretched over the whole window, with the overlay drawn
// only when the frame shows the whole picture (zoom 1) and has a coordinate
// size: the zoom rectangle as a one-pixel white outline, each valid focus
// point as a one-pixel outline, grey when not selected, else green when in
// focus and white when not. A null image when the bytes do not decode.
QImage DrawLiveViewPicture(const void *jpeg, std::size_t length, const LiveViewFrame &frame, const LiveViewOverlay &overlay,
                           QSize window);

// The live-view picture between the command processor, which draws each
// frame as it arrives, and the user-interface thread, which shows the
// latest one: the processor never waits for the window, and a window that
// falls behind skips frames instead of queueing them.
class LiveViewPicture final
{
public:
    // User-interface thread: the window's size the next frames are drawn for.
    void setWindowSize(QSize size);
    QSize windowSize() const;
    // Processor thread: the camera's focus record, kept in pixels of the
    // window's size at this moment (it is read again with every frame).
    void setFocusRecord(const FocusRecord &record);
    void setShowZoomRect(bool show);
    LiveViewOverlay overlay() const;

    // Processor thread: draws the frame and keeps it as the latest. True
    // when the window has to be told (no earlier frame is waiting for it).
    bool draw(const void *jpeg, std::size_t length, const LiveViewFrame &frame);
    // User-interface thread: the latest frame drawn, once; null when none waits.
    QImage take();

private:
    mutable std::mutex m_mutex;
    QSize m_window;
    std::vector<FocusPoint> m_focusInWindow;
    bool m_showZoomRect = true;
    QImage m_latest;
    bool m_waiting = false;
};
