#include "camera/ui/CEVFPictureBox.h"

#include "camera/CameraModel.h"

#include <QPainter>
#include <QResizeEvent>

CEVFPictureBox::CEVFPictureBox(CameraModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setCommandName("downloadEVF");
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_picture.setWindowSize(size());
}

void CEVFPictureBox::onModelEvent(Observable &, const ModelEvent &event)
{
    if (event.name == kModelEvfDataChanged) {
        if (event.argument)
            onFrame(*static_cast<const LiveViewFrame *>(event.argument));
        return;
    }
    if (event.name != kModelPropertyChanged || !event.argument)
        return;
    switch (*static_cast<const std::uint32_t *>(event.argument)) {
    case kPropEvfOutputDevice:
        onOutputDeviceChanged();
        break;
    case kPropFocusRecord:
        m_picture.setFocusRecord(m_model.focusRecord());
        break;
    case kPropEvfAfMode:
        // Face tracking moves no magnifying rectangle.
        m_picture.setShowZoomRect(m_model.value(kPropEvfAfMode) != 2);
        break;
    default:
        break;
    }
}

void CEVFPictureBox::onOutputDeviceChanged()
{
    const bool toComputer = m_model.value(kPropEvfOutputDevice) & kEvfOutputComputer;
    if (toComputer && !m_running.exchange(true))
        ActionSource::raise(); // the first frame; each frame asks for the next
    else if (!toComputer && m_running.exchange(false))
        // The last frame with its focus points would look live: it goes.
        QMetaObject::invokeMethod(this, "onLiveViewEnded", Qt::QueuedConnection);
}

void CEVFPictureBox::onLiveViewEnded()
{
    if (m_running)
        return; // started again meanwhile
    m_shown = QImage();
    m_fresh = false;
    update();
}

void CEVFPictureBox::onFrame(const LiveViewFrame &frame)
{
    const void *jpeg = nullptr;
    std::uint64_t length = 0;
    CameraSdk &sdk = m_model.sdk();
    if (frame.stream && sdk.streamData(frame.stream, &jpeg) == kSdkOk && jpeg && sdk.streamLength(frame.stream, &length) == kSdkOk
        && m_picture.draw(jpeg, std::size_t(length), frame))
        QMetaObject::invokeMethod(this, "onFrameReady", Qt::QueuedConnection);
    std::uint32_t focusRecord = kPropFocusRecord;
    raiseAs("get_Property", &focusRecord);
    ActionSource::raise();
}

void CEVFPictureBox::onFrameReady()
{
    QImage frame = m_picture.take();
    if (frame.isNull() || !m_running)
        return; // a frame still on its way when live view ended is not shown
    m_shown = std::move(frame);
    m_fresh = true;
    update();
}

void CEVFPictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_shown.isNull()) {
        painter.fillRect(rect(), Qt::black);
        if (m_framesShown > 0) {
            painter.setPen(QColor(170, 170, 170));
            QFont font = painter.font();
            font.setPixelSize(28);
            painter.setFont(font);
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("实时取景已结束"));
        }
        return;
    }
    if (m_fresh) {
        m_fresh = false;
        ++m_framesShown;
    }
    // Until a frame of the new size arrives, the last one is stretched.
    if (m_shown.size() == size())
        painter.drawImage(0, 0, m_shown);
    else
        painter.drawImage(rect(), m_shown);
}

void CEVFPictureBox::resizeEvent(QResizeEvent *event)
{
    m_picture.setWindowSize(event->size());
    QWidget::resizeEvent(event);
}
