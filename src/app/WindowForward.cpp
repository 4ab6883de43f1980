#include "app/WindowForward.h"

#include <QCryptographicHash>
#include <QLocalSocket>

namespace {

constexpr int AnswerWaitMs = 500;

QString SocketName(const std::filesystem::path &programFolder)
{
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::weakly_canonical(programFolder, ignored);
    return QStringLiteral("vellora-window-") +
           QString::fromLatin1(
               QCryptographicHash::hash(QByteArray::fromStdString(folder.string()), QCryptographicHash::Sha1).toHex());
}

} // namespace

WindowForward::WindowForward(const std::filesystem::path &programFolder)
{
    const QString name = SocketName(programFolder);
    // Only the holder of the folder's lock gets here, so a socket left by a
    // killed program is stale and may go.
    QLocalServer::removeServer(name);
    m_server.listen(name);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *caller = m_server.nextPendingConnection()) {
            Raise();
            caller->write("1");
            caller->disconnectFromServer();
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        }
    });
}

void WindowForward::Serve(QWidget *window)
{
    m_window = window;
}

void WindowForward::Raise()
{
    if (!m_window)
        return;
    if (m_window->isMinimized())
        m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

bool WindowForward::Ask(const std::filesystem::path &programFolder)
{
    QLocalSocket socket;
    socket.connectToServer(SocketName(programFolder));
    if (!socket.waitForConnected(AnswerWaitMs))
        return false;
    return socket.waitForReadyRead(AnswerWaitMs) && socket.read(1) == "1";
}
