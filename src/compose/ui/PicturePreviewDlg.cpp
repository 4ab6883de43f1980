#include "compose/ui/PicturePreviewDlg.h"

#include "compose/ui/VelloraPictureBox.h"

#include <QCloseEvent>
#include <QResizeEvent>
#include <QTimer>

namespace {

constexpr int FrameMargin = 10;
constexpr int SmallestFramedSide = 220; // below this the frame stays where it was

} // namespace

PicturePreviewDlg::PicturePreviewDlg(QWidget *parent)
    : QDialog(parent), m_frame(new VelloraPictureBox(this)), m_timer(new QTimer(this))
{
    setModal(false);
    setSizeGripEnabled(true);
    resize(640, 480);
    m_frame->setGeometry(rect().adjusted(FrameMargin, FrameMargin, -FrameMargin, -FrameMargin));
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_drawn)
            Draw();
    });
    m_timer->start();
    m_initialised = true;
}

void PicturePreviewDlg::ShowPicture(const QImage &image, const QString &caption)
{
    m_caption = caption;
    m_frame->SetImage(image);
    m_drawn = false;
    if (!PreviewOpen) {
        show();
        raise();
        PreviewOpen = true;
    }
}

void PicturePreviewDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const QSize client = event->size();
    if (client.width() >= SmallestFramedSide && client.height() >= SmallestFramedSide)
        m_frame->setGeometry(rect().adjusted(FrameMargin, FrameMargin, -FrameMargin, -FrameMargin));
    if (m_initialised && PreviewOpen)
        Draw();
}

void PicturePreviewDlg::closeEvent(QCloseEvent *event)
{
    Release();
    QDialog::closeEvent(event);
}

void PicturePreviewDlg::done(int result)
{
    Release();
    QDialog::done(result);
}

void PicturePreviewDlg::Release()
{
    m_frame->ReleaseImage();
    PreviewOpen = false;
}

void PicturePreviewDlg::Draw()
{
    m_frame->DrawFitted();
    m_drawn = true;
    setWindowTitle(m_caption);
}
