#pragma once

#include "platform/CompanionLink.h"

#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;

// The companion's side of CompanionLink: listens on the local socket named
// after the companion's window title and hands on every message the desk sends.
class CompanionListener final : public QObject
{
    Q_OBJECT

public:
    explicit CompanionListener(QObject *parent = nullptr);
    ~CompanionListener() override;

    // Starts listening as the companion titled `windowTitle`; a socket left
    // behind by an earlier run of the same companion is taken over, one that
    // a running companion answers on is not. False when the socket cannot be had.
    bool Listen(const QString &windowTitle);

    // True when a running companion listens under `windowTitle` (it answers
    // within half a second).
    static bool Answers(const QString &windowTitle);

signals:
    // One decoded message, on the listener's thread.
    void Received(const CopyDataMessage &message);

private:
    void Accept();

    QLocalServer *m_server;
};

// The message in a CopyDataFrame; nothing when the bytes are not exactly one frame.
std::optional<CopyDataMessage> ParseCopyDataFrame(const QByteArray &frame);
