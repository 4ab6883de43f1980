#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

// A copy-data message for a companion program: who sends it, a number and
// a block of bytes, the one form of message the companions read.
struct CopyDataMessage
{
    uint64_t senderWindow = 0; // the program's main window, 0 when it has none
    uint64_t dataValue = 0;
    QByteArray data;
};

// Reaches a companion program found by its exact window title.
class CompanionLink
{
public:
    virtual ~CompanionLink() = default;

    // Hands the message to the companion with that title and returns once
    // it has gone out; false, with nothing sent, when no such companion runs.
    // Waits a second at most.
    virtual bool Send(const QString &windowTitle, const CopyDataMessage &message) = 0;
};

// Companions listen on a local socket named after their window title (see
// CompanionSocketName); one connection carries one message, framed as
// CopyDataFrame gives it, and is closed by the sender.
std::unique_ptr<CompanionLink> MakeLocalSocketCompanionLink();

// "vellora-companion-" + the SHA-1 of the title's UTF-8 bytes in lower-case
// hex: a name any title maps to, short enough for a socket path. As a
// QLocalServer name it lies in the temporary folder ($TMPDIR, else /tmp).
QString CompanionSocketName(const QString &windowTitle);

// The message on the wire, little-endian: sender window (8 bytes), data
// value (8 bytes), byte count (4 bytes), then the bytes.
QByteArray CopyDataFrame(const CopyDataMessage &message);
