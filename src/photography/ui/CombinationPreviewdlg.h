#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

#include <map>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class VelloraPictureBox;

// The combined picture full screen on black, and how many copies to print:
// the copies field with "确定", or one of the buttons "2" to "9"; "取消"
// prints nothing. The picture is composed before the dialog opens (on the
// camera's processor thread) and shown on the first tick of timer 1; when
// nothing could be composed the dialog says which template to choose and
// offers only "取消". A close of the window itself keeps the camera window
// on top again; the buttons leave that to the photography tab.
class CombinationPreviewdlg final : public QDialog
{
    Q_OBJECT
public:
    enum Control {
        kPreview = 1106,
        kCopies = 1107,
        kOk = 1108,
        kCancel = 1110,
        kTwo = 1111,
        kThree = 1112,
        kFour = 1113,
        kFive = 1057,
        kSix = 1058,
        kSeven = 1059,
        kEight = 1060,
        kNine = 1061,
    };

    // `picture` is the combined picture; with a null picture `problem` says why.
    CombinationPreviewdlg(QImage picture, const QString &problem, QWidget *parent = nullptr);

    QWidget *control(int id) const;
    // The copies chosen, 0 when the dialog was cancelled or closed.
    int copies() const { return m_copies; }
    bool composedOnce() const { return m_composedOnce; }

    // Timer 1: the first tick shows the picture.
    void onTimer1();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void print(int copies);
    template <class Widget> Widget *add(int id, Widget *widget);

    QImage m_picture;
    QString m_problem;
    std::map<int, QWidget *> m_controls;
    VelloraPictureBox *m_preview = nullptr;
    QLabel *m_problemLabel = nullptr;
    QLineEdit *m_copiesEdit = nullptr;
    QTimer *m_timer1 = nullptr;
    QTimer *m_timer2 = nullptr;
    int m_copies = 0;
    bool m_composedOnce = false;
    bool m_ending = false;
};
