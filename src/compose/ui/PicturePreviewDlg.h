#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

#include <atomic>

class QTimer;
class VelloraPictureBox;

// Whether the picture preview window is shown; the print manager page reads
// it to decide between opening the window and letting it redraw.
inline std::atomic<bool> PreviewOpen{false};

// A resizable, modeless window that shows one picture large, fitted into a
// frame 10 pixels inside its edges, with the picture's path as its title.
class PicturePreviewDlg final : public QDialog
{
    Q_OBJECT

public:
    explicit PicturePreviewDlg(QWidget *parent = nullptr);

    // Shows `image` with `caption` as the title: opens the window when it is
    // closed, otherwise the picture is drawn on the next timer tick.
    void ShowPicture(const QImage &image, const QString &caption);

    bool Drawn() const { return m_drawn; }
    VelloraPictureBox *Frame() const { return m_frame; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override; // Escape hides the window without a close event

private:
    void Draw();
    void Release();

    VelloraPictureBox *m_frame;
    QTimer *m_timer;
    QString m_caption;
    bool m_drawn = false;
    bool m_initialised = false;
};
