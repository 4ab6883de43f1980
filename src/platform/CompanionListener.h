#pragma once

#include "platform/CompanionLink.h"

#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;
class QLocalSocket;

// The companion's side of CompanionLink: listens on the local socket named
// after the companion's window title and hands every whole message it
// receives to Received. One connection carries one message; a connection
// that closes before its frame is whole, or announces more bytes than a
// message may hold, is dropped without a message. Lives on the thread that
// runs its event loop.
class CompanionListener final : public QObject
{
    Q_OBJECT

public:
    enum class ListenResult { Listening, AlreadyRunning, Failed };

    // The largest data block a message may carry.
    static constexpr quint32 MaxDataBytes = 64 * 1024;

    explicit CompanionListener(QObject *parent = nullptr);
    ~CompanionListener() override;

    // Starts listening for the title. A socket left behind by a companion
    // that has ended is taken over; one that another running companion
    // answers on is left to it (AlreadyRunning).
    ListenResult Listen(const QString &windowTitle);
    QString ErrorText() const;

signals:
    void Received(const CopyDataMessage &message);

private:
    void Accept();
    void ReadFrom(QLocalSocket *socket);

    QLocalServer *m_server;
};

// Reads one message from the front of `bytes`: the message when the frame is
// whole, nothing while it is not yet. `tooLarge` is set when the frame
// announces more than `maxDataBytes`.
std::optional<CopyDataMessage> ReadCopyDataFrame(const QByteArray &bytes, quint32 maxDataBytes, bool &tooLarge);
