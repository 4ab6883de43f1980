#include "app/CVelloraApp.h"

#include "app/CVelloraDlg.h"
#include "app/DemoEvent.h"
#include "app/WidgetMap.h"
#include "app/WindowForward.h"
#include "camera/CurrentCamera.h"
#include "desk/ui/Messages.h"
#include "platform/Pause.h"
#include "platform/ProgramLock.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <filesystem>
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

namespace {

// Held for the life of the process: one program per program folder.
std::optional<ProgramLock> g_programLock;

// The lock of this program folder, or false after telling the operator that
// another copy of the program runs here already.
bool TakeProgramFolder()
{
    std::error_code ignored;
    std::filesystem::create_directories("Config", ignored);
    const std::filesystem::path file = std::filesystem::path("Config") / "Vellora.lock";
    if (std::optional<ProgramLock> taken = ProgramLock::Take(file)) {
        g_programLock.emplace(std::move(*taken));
        return true;
    }
    const int holder = ProgramLock::HolderOf(file);
    const QString message = QStringLiteral("Vellora 已在此程序目录中运行") +
        (holder > 0 ? QStringLiteral("（进程 %1）").arg(holder) : QString()) + QStringLiteral("，不能再次启动。");
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    // The operator most likely looks for the window that runs already.
    WindowForward::Ask(std::filesystem::current_path());
    // Without a screen nobody could close the box: the message above is all.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        ShowNotice(nullptr, message);
    return false;
}

} // namespace

int CVelloraApp::Run()
{
    if (!TakeProgramFolder())
        return 2;
    // The demo's spooler must run before the window's first CUPS call.
    std::unique_ptr<DemoEvent> demo;
    if (arguments().contains(QStringLiteral("--demo"))) {
        demo = std::make_unique<DemoEvent>();
        if (!demo->Prepare())
            return 1;
    }
    WindowForward forward(std::filesystem::current_path());
    CVelloraDlg window;
    forward.Serve(&window);
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
