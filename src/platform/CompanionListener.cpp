#include "platform/CompanionListener.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

namespace {

constexpr int HeaderBytes = 8 + 8 + 4;
// The desk's messages are a few bytes; anything far larger is not one.
constexpr qsizetype LargestFrame = 64 * 1024;
constexpr int AnswerWaitMs = 500;

} // namespace

CompanionListener::CompanionListener(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &CompanionListener::Accept);
}

CompanionListener::~CompanionListener() = default;

bool CompanionListener::Listen(const QString &windowTitle)
{
    const QString name = CompanionSocketName(windowTitle);
    if (m_server->listen(name))
        return true;
    // A socket that answers belongs to a companion that runs: never taken from it.
    if (Answers(windowTitle))
        return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

bool CompanionListener::Answers(const QString &windowTitle)
{
    QLocalSocket probe;
    probe.connectToServer(CompanionSocketName(windowTitle));
    const bool answered = probe.waitForConnected(AnswerWaitMs);
    probe.abort();
    return answered;
}

void CompanionListener::Accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        // The sender writes one frame and closes; the frame is whole once it has gone.
        connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            if (socket->bytesAvailable() > LargestFrame)
                socket->abort();
        });
        const auto finish = [this, socket] {
            disconnect(socket, &QLocalSocket::disconnected, this, nullptr); // one message per connection
            if (const std::optional<CopyDataMessage> message = ParseCopyDataFrame(socket->readAll()))
                emit Received(*message);
            socket->deleteLater();
        };
        connect(socket, &QLocalSocket::disconnected, this, finish);
        // A sender that was quicker than this has already gone.
        if (socket->state() == QLocalSocket::UnconnectedState)
            finish();
    }
}

std::optional<CopyDataMessage> ParseCopyDataFrame(const QByteArray &frame)
{
    if (frame.size() < HeaderBytes)
        return std::nullopt;
    const char *bytes = frame.constData();
    CopyDataMessage message;
    message.senderWindow = qFromLittleEndian<quint64>(bytes);
    message.dataValue = qFromLittleEndian<quint64>(bytes + 8);
    const quint32 count = qFromLittleEndian<quint32>(bytes + 16);
    if (frame.size() - HeaderBytes != static_cast<qsizetype>(count))
        return std::nullopt;
    message.data = frame.mid(HeaderBytes);
    return message;
}
