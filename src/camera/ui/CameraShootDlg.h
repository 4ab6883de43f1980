#pragma once

#include "camera/Actions.h"
#include "camera/ModelEvents.h"

#include <QDialog>

#include <functional>
#include <map>
#include <vector>

class CActionButton;
class CEVFPictureBox;
class CEvfZoomButton;
class CPropertyComboBox;
class CameraSession;
class QPushButton;
enum class CameraButtonImage;

// The window the photographer works in while a camera is connected: the
// live-view picture with a few big buttons beside it to start live view,
// shoot and minimise. It also carries the camera's manual controls
// (settings, focus, zoom, shutter), built but not shown.
//
// Opening wires every control to the camera controller, attaches the
// observers to the camera model, starts the command processor and opens
// the camera session. Every way it closes (Escape, the camera switched off,
// the end of its run, its destruction) stops the camera session in order
// before any control goes away; the session must outlive the window.
class CameraShootDlg final : public QDialog, public ActionSource, public Observer
{
    Q_OBJECT
public:
    // Control ids.
    enum Control {
        kProgress = 1052,
        kPicture = 1053,
        kTakePictureAction = 1054,
        kStartEvfAction = 1055,
        kEndEvfAction = 1056,
        kFirstCombo = 1057, // to 1064, in the order of the property tables
        kEdit = 1065,
        kFocusNear3 = 1066,
        kFocusNear2 = 1067,
        kFocusNear1 = 1068,
        kFocusFar1 = 1069,
        kFocusFar2 = 1070,
        kFocusFar3 = 1071,
        kFocusUp = 1072,
        kFocusLeft = 1073,
        kFocusRight = 1074,
        kFocusDown = 1075,
        kZoomFit = 1076,
        kZoom = 1077,
        kPressHalfway = 1078,
        kPressCompletely = 1079,
        kPressOff = 1080,
        kEvfAfOnAction = 1081,
        kEvfAfOffAction = 1082,
        kMinimise = 1097,
        kShoot = 1101,
        kStart = 1102,
        kEnd = 1116,
        kDisconnect = 1119,
    };

    explicit CameraShootDlg(CameraSession &session, QWidget *parent = nullptr);
    ~CameraShootDlg() override;

    // What "拍照" does: the capture sequence's countdown and then
    // takePicture(). Without one, "拍照" takes the picture at once.
    void setShootHook(std::function<void()> hook);
    // Raises "TakePicture" through the window's own action source.
    void takePicture();

    // Set by the camera start-up before the window opens (set at first);
    // cleared by the disconnect.
    void setConnected(bool connected) { m_connected = connected; }
    bool isConnected() const { return m_connected; }

    QWidget *control(int id) const;
    CEVFPictureBox *picture() const { return m_picture; }

    // "shutDown" (the camera was switched off) closes the window.
    void onModelEvent(Observable &from, const ModelEvent &event) override;

    // Stops the camera session first, whatever ends the window.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onCloseRequest();

private:
    void buildControls();
    void wireActions();
    void attachObservers();
    void placeControls();
    void onStart();
    void onEnd();
    void onShoot();
    void onDisconnect();
    void stopCamera();
    template <class Widget> Widget *add(int id, Widget *widget);
    CActionButton *addActionButton(int id, const QString &text, const std::string &action);
    QPushButton *addBitmapButton(int id, const QString &text, CameraButtonImage image);

    CameraSession &m_session;
    ActionSource m_cameraDoAction; // what the visible buttons raise their actions through
    CEVFPictureBox *m_picture = nullptr;
    CEvfZoomButton *m_zoom = nullptr;
    std::vector<CActionButton *> m_actionButtons;
    std::vector<CPropertyComboBox *> m_combos;
    std::map<int, QWidget *> m_controls;
    std::function<void()> m_shootHook;
    bool m_connected = true;
    bool m_stopped = false;
};
