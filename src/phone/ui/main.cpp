#include "phone/OrderBook.h"
#include "phone/PhoneServer.h"
#include "phone/PhoneSettings.h"
#include "phone/PrintedPhotos.h"
#include "phone/ui/PhoneWindow.h"
#include "platform/CompanionListener.h"
#include "settings/SystemSettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>

namespace {

// The desk's settings are read again this often, so a phone reprint folder
// set at the desk while the companion runs is taken up.
constexpr int SettingsReloadMs = 5000;

const QString NoFolder = QStringLiteral("前台还没有设置手机补打目录（系统设置）：订单暂时不能接收。");

} // namespace

// The phone-order companion: serves the guests' page and writes their orders
// where the desk's phone reprint reads them. Runs in the program folder.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellora-phone"));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Guests order reprints of their photos from their phones."));
    options.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to serve on."), QStringLiteral("PORT"));
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("Address guests reach this machine by."), QStringLiteral("HOST"));
    options.addOptions({portOption, addressOption});
    options.process(app);

    std::error_code ignored;
    std::filesystem::create_directories("Config", ignored);
    SystemSettings::Load();
    PhoneSettings settings = LoadPhoneSettings();
    if (options.isSet(portOption))
        settings.port = options.value(portOption).toInt();

    PrintedPhotos photos;
    OrderBook orders([] { return SystemSettings::PhoneReprintFolder(); });
    orders.Resume();
    PhoneServer server(settings.eventKey, photos, orders);
    server.SetMaxCopies(settings.maxCopies);
    server.SetGallery(settings.gallery);
    if (!server.Start(settings.port)) {
        QMessageBox::critical(nullptr, QString::fromUtf8(PhoneWindowTitle),
                              QStringLiteral("端口 %1 已被占用，无法启动手机加印页面。").arg(settings.port));
        return 1;
    }
    const QString host = options.isSet(addressOption) ? options.value(addressOption) : LocalNetworkAddress();
    const QString address = PhonePageAddress(host, server.Port(), settings.eventKey);

    PhoneWindow window(orders, server, address);
    QObject::connect(&window, &PhoneWindow::ChoicesChanged, [&settings](int maxCopies, bool gallery) {
        settings.maxCopies = maxCopies;
        settings.gallery = gallery;
        SavePhoneSettings(settings);
    });
    CompanionListener desk;
    QObject::connect(&desk, &CompanionListener::Received, &window, [&window](const CopyDataMessage &) {
        window.ShowDeskMessage(QStringLiteral("已开启手机补打（%1）").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    });
    if (!desk.Listen(QString::fromUtf8(PhoneWindowTitle)))
        window.ShowDeskMessage(QStringLiteral("无法等候前台的消息"));

    const auto checkFolder = [&window] {
        SystemSettings::Load();
        window.ShowWarning(SystemSettings::PhoneReprintFolder().isEmpty() ? NoFolder : QString());
    };
    checkFolder();
    QTimer reload;
    QObject::connect(&reload, &QTimer::timeout, &window, checkFolder);
    reload.start(SettingsReloadMs);

    window.show();
    return app.exec();
}
