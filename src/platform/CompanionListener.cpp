#include "platform/CompanionListener.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>
#include <QtEndian>

namespace {

constexpr int HeaderBytes = 8 + 8 + 4;
constexpr int ProbePatienceMs = 500;
// A sender that connects and then says nothing is dropped after this long.
constexpr int SilencePatienceMs = 5000;
constexpr const char *PendingBytes = "vellora_pending_bytes";

bool SomeoneAnswers(const QString &socketName)
{
    QLocalSocket probe;
    probe.connectToServer(socketName);
    const bool answered = probe.waitForConnected(ProbePatienceMs);
    probe.abort();
    return answered;
}

} // namespace

std::optional<CopyDataMessage> ReadCopyDataFrame(const QByteArray &bytes, quint32 maxDataBytes, bool &tooLarge)
{
    tooLarge = false;
    if (bytes.size() < HeaderBytes)
        return std::nullopt;
    const char *raw = bytes.constData();
    const quint32 count = qFromLittleEndian<quint32>(raw + 16);
    if (count > maxDataBytes) {
        tooLarge = true;
        return std::nullopt;
    }
    if (static_cast<quint64>(bytes.size()) < HeaderBytes + static_cast<quint64>(count))
        return std::nullopt;
    CopyDataMessage message;
    message.senderWindow = qFromLittleEndian<quint64>(raw);
    message.dataValue = qFromLittleEndian<quint64>(raw + 8);
    message.data = bytes.mid(HeaderBytes, static_cast<qsizetype>(count));
    return message;
}

CompanionListener::CompanionListener(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &CompanionListener::Accept);
}

CompanionListener::~CompanionListener() = default;

CompanionListener::ListenResult CompanionListener::Listen(const QString &windowTitle)
{
    const QString name = CompanionSocketName(windowTitle);
    if (m_server->listen(name))
        return ListenResult::Listening;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return ListenResult::Failed;
    if (SomeoneAnswers(name))
        return ListenResult::AlreadyRunning;
    // A socket file from a companion that ended without removing it.
    QLocalServer::removeServer(name);
    return m_server->listen(name) ? ListenResult::Listening : ListenResult::Failed;
}

QString CompanionListener::ErrorText() const
{
    return m_server->errorString();
}

void CompanionListener::Accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A sender that never finishes its frame does not keep the connection forever.
        QTimer::singleShot(SilencePatienceMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            ReadFrom(socket);
    }
}

void CompanionListener::ReadFrom(QLocalSocket *socket)
{
    // The bytes so far ride on the connection itself.
    const QByteArray pending = socket->property(PendingBytes).toByteArray() + socket->readAll();
    socket->setProperty(PendingBytes, pending);
    bool tooLarge = false;
    const std::optional<CopyDataMessage> message = ReadCopyDataFrame(pending, MaxDataBytes, tooLarge);
    if (tooLarge) {
        socket->abort();
        return;
    }
    if (!message)
        return;
    // One message per connection: what follows the frame is not read.
    socket->disconnect(this);
    socket->abort();
    emit Received(*message);
}
