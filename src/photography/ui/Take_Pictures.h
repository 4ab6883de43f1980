#pragma once

#include "camera/ShotFiling.h"
#include "camera/sdk/CameraSdk.h"
#include "camera/ui/CameraShootDlg.h"
#include "photography/ui/CaptureSequence.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <memory>

class CameraSdk;
class CameraSession;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;
class VelloraPictureBox;

// The photography page, the main window's third tab: the four multi-cell
// frame templates with their previews, the combination mode, the
// countdown's wait time and the camera brand, all kept in
// Config/CombinationSeting.ini; and the start button, which connects the
// camera and runs the camera window.
class Take_Pictures final : public QWidget
{
    Q_OBJECT
public:
    enum Control {
        kFourCellChoose = 1057,
        kTwoCellEdit = 1066,
        kThreeCellEdit = 1067,
        kFourCellEdit = 1068,
        kStart = 1083,
        kBrand = 1084,
        kOneCellPreview = 1086,
        kTwoCellPreview = 1087,
        kThreeCellPreview = 1088,
        kFourCellPreview = 1089,
        kMode = 1091,
        kWait = 1092,
        kOneCellChoose = 1093,
        kOneCellEdit = 1094,
        kTwoCellChoose = 1095,
        kThreeCellChoose = 1096,
    };

    using MakeSdk = std::function<std::unique_ptr<CameraSdk>()>;

    // `makeSdk` gives the camera library for each start (the program's own
    // choice of library when empty).
    explicit Take_Pictures(MakeSdk makeSdk = {}, QWidget *parent = nullptr);
    ~Take_Pictures() override;

    QWidget *control(int id) const;
    QString templatePath(int cells) const { return m_paths[cells - 1]; }
    VelloraPictureBox *preview(int cells) const { return m_previews[cells - 1]; }

    // What ends a series: the combination of the chosen shots. Runs on the
    // camera's command processor thread.
    void setCombinationStep(CaptureSequence::CombinationStep step) { m_combination = std::move(step); }

    // A template file chosen for `cells` shots: analysed for its windows,
    // then kept and shown, or refused with a message.
    bool chooseTemplate(int cells, const QString &file);

    // The window kept on top while that is asked for: the camera window
    // while it runs, else the window this page sits in.
    QWidget *applicationMainWindow() const;
    // The camera window while it runs.
    CameraShootDlg *cameraWindow() const { return m_cameraWindow; }

    // The start button: connects the camera and runs the camera window.
    void startCamera();
    std::unique_ptr<CameraSession> connectCamera(ShotFiling filing, SdkError &error);

    // The page's timers, public so tests can run them tick by tick.
    void onTimer1();
    void onTimer2();

signals:
    // The camera window is about to run (tests drive it from here).
    void cameraWindowOpening(CameraShootDlg *window);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void loadSettings();
    void openTemplateDialog(int cells);
    void showTemplate(int cells, const QString &path);
    void drawPreviews();
    void placeControls();
    template <class Widget> Widget *add(int id, Widget *widget);

    MakeSdk m_makeSdk;
    CaptureSequence::CombinationStep m_combination;
    std::map<int, QWidget *> m_controls;
    std::array<QString, 4> m_paths;
    std::array<QLineEdit *, 4> m_edits{};
    std::array<QPushButton *, 4> m_chooseButtons{};
    std::array<VelloraPictureBox *, 4> m_previews{};
    QComboBox *m_brand = nullptr;
    QComboBox *m_mode = nullptr;
    QComboBox *m_wait = nullptr;
    QWidget *m_notes = nullptr;
    QTimer *m_timer1 = nullptr;
    QTimer *m_timer2 = nullptr;
    int m_brandIndex = 0;
    int m_modeValue = 0;
    int m_waitValue = 0;
    QPointer<CameraShootDlg> m_cameraWindow;
};
