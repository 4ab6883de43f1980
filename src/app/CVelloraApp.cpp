#include "app/CVelloraApp.h"

#include "app/CVelloraDlg.h"
#include "app/DemoEvent.h"
#include "app/WidgetMap.h"
#include "camera/CurrentCamera.h"
#include "platform/Pause.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

// Tests run the real program with its fixed pauses scaled down; a normal
// start leaves the variable unset and runs in real time.
void ApplyPauseScaleFromEnvironment()
{
    bool ok = false;
    const double scale = qEnvironmentVariable("VELLORA_PAUSE_SCALE").toDouble(&ok);
    if (ok && scale >= 0.0)
        SetPauseScale(scale);
}

// Qt's own buttons and dialogs ("Yes", "Open", "Look in") speak the
// program's language; without the translations installed they stay English.
void InstallQtTranslation(QApplication &app)
{
    auto *translator = new QTranslator(&app); // the application owns it
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace

CVelloraApp::CVelloraApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vellora"));
    setApplicationVersion(QStringLiteral(VELLORA_VERSION));
    // Desktops match the window to its launcher entry (and icon) by this name.
    setDesktopFileName(QStringLiteral("vellora"));
    ApplyPauseScaleFromEnvironment();
    InstallQtTranslation(*this);
    WidgetMap::StartFromEnvironment(this);
}

int CVelloraApp::Run()
{
    // The demo's spooler must run before the window's first CUPS call.
    std::unique_ptr<DemoEvent> demo;
    if (arguments().contains(QStringLiteral("--demo"))) {
        demo = std::make_unique<DemoEvent>();
        if (!demo->Prepare())
            return 1;
    }
    CVelloraDlg window;
    if (demo)
        demo->Start(window);
    return window.exec();
}

CameraModel *CVelloraApp::CurrentCameraModel()
{
    return ::CurrentCameraModel();
}

CameraController *CVelloraApp::CurrentCameraController()
{
    return ::CurrentCameraController();
}
