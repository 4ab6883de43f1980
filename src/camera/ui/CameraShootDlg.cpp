#include "camera/ui/CameraShootDlg.h"

#include "desk/ui/Messages.h"
#include "camera/CameraController.h"
#include "camera/CameraModel.h"
#include "camera/CameraSession.h"
#include "camera/PropertyTables.h"
#include "camera/ShotFiling.h"
#include "camera/ui/BitmapButton.h"
#include "camera/ui/CActionButton.h"
#include "camera/ui/CEVFPictureBox.h"
#include "camera/ui/CEvfZoomButton.h"
#include "camera/ui/CPropertyComboBox.h"
#include "camera/ui/CameraButtonImages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

namespace {

// The manual controls: shown nowhere, raised like any other control.
struct ActionButtonRow
{
    int id;
    const char *text;
    const char *action;
};

constexpr ActionButtonRow kActionButtons[] = {
    {CameraShootDlg::kTakePictureAction, "TakePicture", "TakePicture"},
    {CameraShootDlg::kStartEvfAction, "startEVF", "startEVF"},
    {CameraShootDlg::kEndEvfAction, "End EVF", "endEVF"},
    {CameraShootDlg::kFocusNear3, "<<<", "focus_Near3"},
    {CameraShootDlg::kFocusNear2, "<<", "focus_Near2"},
    {CameraShootDlg::kFocusNear1, "<", "focus_Near1"},
    {CameraShootDlg::kFocusFar1, ">", "focus_Far1"},
    {CameraShootDlg::kFocusFar2, ">>", "focus_Far2"},
    {CameraShootDlg::kFocusFar3, ">>>", "focus_Far3"},
    {CameraShootDlg::kFocusUp, "上", "focus_Up"},
    {CameraShootDlg::kFocusDown, "下", "focus_Down"},
    {CameraShootDlg::kFocusLeft, "左", "focus_Left"},
    {CameraShootDlg::kFocusRight, "右", "focus_Right"},
    {CameraShootDlg::kZoomFit, "Fit", "zoom_Fit"},
    {CameraShootDlg::kPressHalfway, "Press Halfway", "pressingHalfway"},
    {CameraShootDlg::kPressCompletely, "Press Completely", "pressingCompletely"},
    {CameraShootDlg::kPressOff, "Press Off", "pressingOff"},
    {CameraShootDlg::kEvfAfOnAction, "EVF AF On", "evfAFOn"},
    {CameraShootDlg::kEvfAfOffAction, "EVF AF Off", "evfAFOff"},
};

// The window's size before it is maximised: 863 by 454 dialog units of the
// usual dialog font (1.5 by 1.625 pixels each).
constexpr QSize kDialogSize(1295, 738);

} // namespace

CameraShootDlg::CameraShootDlg(CameraSession &session, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), m_session(session)
{
    buildControls();
    // The opening, in order: actions wired, observers attached, the
    // processor started with the session opening, then the looks.
    wireActions();
    attachObservers();
    m_session.open();
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // Minimised, the window is found again by its title in the task list.
    setWindowTitle(QStringLiteral("Vellora 拍照"));
    resize(kDialogSize);
    setWindowState(Qt::WindowMaximized);
}

CameraShootDlg::~CameraShootDlg()
{
    // Before the controls go: the processor may be telling them about a frame.
    stopCamera();
}

template <class Widget> Widget *CameraShootDlg::add(int id, Widget *widget)
{
    m_controls[id] = widget;
    return widget;
}

CActionButton *CameraShootDlg::addActionButton(int id, const QString &text, const std::string &action)
{
    auto *button = add(id, new CActionButton(text, action, this));
    button->hide();
    m_actionButtons.push_back(button);
    return button;
}

QPushButton *CameraShootDlg::addBitmapButton(int id, const QString &text, CameraButtonImage image)
{
    return add(id, new BitmapButton(text, CameraButtonPicture(image), this));
}

void CameraShootDlg::buildControls()
{
    CameraModel &model = m_session.model();
    add(kProgress, new QProgressBar(this))->hide();
    m_picture = add(kPicture, new CEVFPictureBox(model, this));
    for (const ActionButtonRow &row : kActionButtons)
        addActionButton(row.id, QString::fromUtf8(row.text), row.action);
    m_zoom = add(kZoom, new CEvfZoomButton(QStringLiteral("Zoom"), model, this));
    m_zoom->setAutoDefault(false);
    m_zoom->hide();
    m_actionButtons.push_back(m_zoom);
    add(kEdit, new QLineEdit(this))->hide();
    m_combos = {new CAEMode(model, this), new CTv(model, this), new CAv(model, this), new CIso(model, this),
                new CMeteringMode(model, this), new CExposureComp(model, this), new CImageQuality(model, this),
                new CEvfAFMode(model, this)};
    for (CPropertyComboBox *combo : m_combos) {
        add(combo->table().control, combo);
        combo->hide();
    }

    QPushButton *minimise = addBitmapButton(kMinimise, QStringLiteral("一"), CameraButtonImage::Minimise);
    QPushButton *shoot = addBitmapButton(kShoot, QStringLiteral("拍照"), CameraButtonImage::Shoot);
    QPushButton *start = addBitmapButton(kStart, QStringLiteral("开始"), CameraButtonImage::Start);
    QPushButton *end = addBitmapButton(kEnd, QStringLiteral("END"), CameraButtonImage::End);
    QPushButton *disconnect = addBitmapButton(kDisconnect, QStringLiteral("断开"), CameraButtonImage::Disconnect);
    end->hide();
    disconnect->hide();
    connect(minimise, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(shoot, &QPushButton::clicked, this, &CameraShootDlg::onShoot);
    connect(start, &QPushButton::clicked, this, &CameraShootDlg::onStart);
    connect(end, &QPushButton::clicked, this, &CameraShootDlg::onEnd);
    connect(disconnect, &QPushButton::clicked, this, &CameraShootDlg::onDisconnect);
}

void CameraShootDlg::wireActions()
{
    CameraController &controller = m_session.controller();
    addListener(&controller);
    m_cameraDoAction.addListener(&controller);
    for (CActionButton *button : m_actionButtons)
        button->addListener(&controller);
    for (CPropertyComboBox *combo : m_combos)
        combo->addListener(&controller);
    m_picture->addListener(&controller);
}

void CameraShootDlg::attachObservers()
{
    CameraModel &model = m_session.model();
    model.attach(this); // the camera start-up attaches the window first; once is enough
    model.attach(m_picture);
    for (CPropertyComboBox *combo : m_combos)
        model.attach(combo);
    model.attach(m_zoom);
}

QWidget *CameraShootDlg::control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CameraShootDlg::setShootHook(std::function<void()> hook)
{
    m_shootHook = std::move(hook);
}

void CameraShootDlg::takePicture()
{
    m_cameraDoAction.raiseAs("TakePicture");
}

void CameraShootDlg::onStart()
{
    m_cameraDoAction.raiseAs("startEVF");
    control(kStart)->hide();
    control(kDisconnect)->hide();
    control(kEnd)->show();
}

void CameraShootDlg::onEnd()
{
    m_cameraDoAction.raiseAs("endEVF");
    control(kEnd)->hide();
    control(kStart)->show();
}

void CameraShootDlg::onShoot()
{
    if (m_shootHook)
        m_shootHook();
    else
        takePicture();
}

void CameraShootDlg::onDisconnect()
{
    if (!m_connected) {
        // After a disconnect the processor has ended: this is never performed.
        m_cameraDoAction.raiseAs("opensession");
        return;
    }
    if (!AskYesNo(this, QStringLiteral("确定要断开与相机连接吗？")))
        return;
    // Waits until the processor has closed the session and ended; it never
    // waits for this thread, so this cannot hang.
    m_cameraDoAction.raiseAs("closing");
    m_connected = false;
}

void CameraShootDlg::onModelEvent(Observable &, const ModelEvent &event)
{
    if (event.name == kModelShutDown)
        QMetaObject::invokeMethod(this, "onCloseRequest", Qt::QueuedConnection);
}

void CameraShootDlg::onCloseRequest()
{
    // Another modal window open over this one (the review of a shot) may be
    // what the processor waits for: closing now would wait for the
    // processor while it waits for that window. Close once it is gone.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != this) {
        QTimer::singleShot(100, this, &CameraShootDlg::onCloseRequest);
        return;
    }
    close();
}

void CameraShootDlg::done(int result)
{
    stopCamera();
    QDialog::done(result);
}

void CameraShootDlg::stopCamera()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_session.close();
    // With the window gone no live view runs: a shot the camera sends from
    // now on is no longer one of an interactive series.
    LiveViewOn = false;
}

void CameraShootDlg::keyPressEvent(QKeyEvent *event)
{
    // Enter does nothing here; Escape closes the window (through done()).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CameraShootDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeControls();
}

void CameraShootDlg::placeControls()
{
    const QRect client = rect();
    const int l = client.left();
    const int t = client.top();
    const int r = client.left() + client.width();
    const int b = client.top() + client.height();
    m_picture->setGeometry(l, t, r - l - 200, b - t);
    control(kMinimise)->setGeometry(r - 50, t + 9, 30, 24);
    control(kEnd)->setGeometry(r - 100, t + 9, 30, 24);
    control(kDisconnect)->setGeometry(r - 160, t + 9, 30, 24);
    control(kStart)->setGeometry(r - 170, t + b / 2 - 99, 100, 70);
    control(kShoot)->setGeometry(r - 170, t + b / 2 - 20, 100, 80);
    control(kEndEvfAction)->setGeometry(r - 100, t + 149, 80, 30);
}
