#pragma once

#include <QFrame>
#include <QImage>

// A control that shows its picture centred and fitted into itself. The
// owner puts a picture in and calls DrawFitted; nothing is drawn before.
class VelloraPictureBox final : public QFrame
{
    Q_OBJECT

public:
    explicit VelloraPictureBox(QWidget *parent = nullptr);

    void SetImage(const QImage &image);
    const QImage &Image() const { return m_image; }
    // Drops the picture and clears the control.
    void ReleaseImage();

    // Fits the picture into the control's current size and shows it.
    void DrawFitted();
    // Where the picture was last drawn, in control pixels.
    QRect FittedArea() const { return m_area; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    QImage m_fitted;
    QRect m_area;
};
