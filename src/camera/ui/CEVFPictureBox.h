#pragma once

#include "camera/Actions.h"
#include "camera/LiveViewPicture.h"
#include "camera/ModelEvents.h"

#include <QImage>
#include <QWidget>

#include <atomic>

class CameraModel;

// The live-view picture. It keeps the live-view loop going: when the
// camera starts sending frames it asks for the first one ("downloadEVF"),
// and after each frame it asks for the focus points and the next frame, so
// exactly one frame fetch waits in the command queue while live view runs.
// Each frame is decoded and drawn with its overlay on the command
// processor's thread and handed over finished; the window's thread only
// shows it, and the processor never waits for the window.
class CEVFPictureBox final : public QWidget, public ActionSource, public Observer
{
    Q_OBJECT
public:
    CEVFPictureBox(CameraModel &model, QWidget *parent);

    // Processor thread.
    void onModelEvent(Observable &from, const ModelEvent &event) override;

    // Whether live view is seen as running (frames being fetched).
    bool isRunning() const { return m_running.load(); }
    // Frames painted so far (a frame replaced before it was painted is not counted).
    int framesShown() const { return m_framesShown; }
    // The frame shown now (null before the first).
    QImage shownFrame() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onFrameReady();
    void onLiveViewEnded();

private:
    void onOutputDeviceChanged();
    void onFrame(const LiveViewFrame &frame);

    CameraModel &m_model;
    LiveViewPicture m_picture;
    std::atomic<bool> m_running{false};
    QImage m_shown;
    bool m_fresh = false; // m_shown not painted yet
    int m_framesShown = 0;
};
