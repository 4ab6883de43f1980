#pragma once

#include "camera/ModelEvents.h"
#include "camera/ui/CActionButton.h"

class CameraModel;

// The zoom button ("zoom_Zoom"): usable only while the live-view AF mode
// lets the picture be magnified (any mode but 2, face tracking).
class CEvfZoomButton final : public CActionButton, public Observer
{
    Q_OBJECT
public:
    CEvfZoomButton(const QString &text, CameraModel &model, QWidget *parent);

    // Processor thread: hands the AF mode change to the window's thread.
    void onModelEvent(Observable &from, const ModelEvent &event) override;

private slots:
    void onAfModeChanged();

private:
    CameraModel &m_model;
};
