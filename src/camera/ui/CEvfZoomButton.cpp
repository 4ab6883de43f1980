#include "camera/ui/CEvfZoomButton.h"

#include "camera/CameraModel.h"

CEvfZoomButton::CEvfZoomButton(const QString &text, CameraModel &model, QWidget *parent)
    : CActionButton(text, "zoom_Zoom", parent), m_model(model)
{
}

void CEvfZoomButton::onModelEvent(Observable &, const ModelEvent &event)
{
    if (event.name == kModelPropertyChanged && event.argument && *static_cast<const std::uint32_t *>(event.argument) == kPropEvfAfMode)
        QMetaObject::invokeMethod(this, "onAfModeChanged", Qt::QueuedConnection);
}

void CEvfZoomButton::onAfModeChanged()
{
    setEnabled(m_model.value(kPropEvfAfMode) != 2);
}
