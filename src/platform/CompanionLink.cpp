#include "platform/CompanionLink.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QtEndian>

namespace {

constexpr int ConnectPatienceMs = 1000;
constexpr int WritePatienceMs = 1000;

template<typename Number>
void AppendLittleEndian(QByteArray &bytes, Number value)
{
    char raw[sizeof(Number)];
    qToLittleEndian(value, raw);
    bytes.append(raw, sizeof(Number));
}

class LocalSocketCompanionLink final : public CompanionLink
{
public:
    bool Send(const QString &windowTitle, const CopyDataMessage &message) override
    {
        QLocalSocket socket;
        socket.connectToServer(CompanionSocketName(windowTitle));
        // No socket, or nobody accepting on it: the window is not there.
        if (!socket.waitForConnected(ConnectPatienceMs))
            return false;
        const QByteArray frame = CopyDataFrame(message);
        if (socket.write(frame) != frame.size())
            return false;
        while (socket.bytesToWrite() > 0) {
            if (!socket.waitForBytesWritten(WritePatienceMs))
                return false;
        }
        socket.disconnectFromServer();
        return true;
    }
};

} // namespace

std::unique_ptr<CompanionLink> MakeLocalSocketCompanionLink()
{
    return std::make_unique<LocalSocketCompanionLink>();
}

QString CompanionSocketName(const QString &windowTitle)
{
    const QByteArray digest = QCryptographicHash::hash(windowTitle.toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("vellora-companion-") + QString::fromLatin1(digest.toHex());
}

QByteArray CopyDataFrame(const CopyDataMessage &message)
{
    QByteArray frame;
    AppendLittleEndian<quint64>(frame, message.senderWindow);
    AppendLittleEndian<quint64>(frame, message.dataValue);
    AppendLittleEndian<quint32>(frame, static_cast<quint32>(message.data.size()));
    frame.append(message.data);
    return frame;
}
