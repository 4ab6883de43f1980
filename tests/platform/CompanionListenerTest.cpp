#include "platform/CompanionLink.h"
#include "platform/CompanionListener.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A title of this test process alone, so parallel runs do not meet.
QString TestTitle()
{
    return QStringLiteral("Vellora listener test %1").arg(QCoreApplication::applicationPid());
}

// Writes raw bytes to the companion's socket, as a faulty sender would.
void SendRaw(const QString &title, const QByteArray &bytes)
{
    QLocalSocket socket;
    socket.connectToServer(CompanionSocketName(title));
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write(bytes);
    ASSERT_TRUE(socket.waitForBytesWritten(1000));
    socket.disconnectFromServer();
}

} // namespace

TEST(CompanionListener, ReceivesWhatTheDesksLinkSends)
{
    CompanionListener listener;
    ASSERT_EQ(listener.Listen(TestTitle()), CompanionListener::ListenResult::Listening);
    QSignalSpy received(&listener, &CompanionListener::Received);

    const std::unique_ptr<CompanionLink> link = MakeLocalSocketCompanionLink();
    // The desk's message: the first four bytes of the UTF-16 text "stop".
    const QByteArray stop = QByteArray("s\0t\0", 4);
    ASSERT_TRUE(link->Send(TestTitle(), {0x1234, 0, stop}));
    ASSERT_TRUE(link->Send(TestTitle(), {7, 99, QByteArray()}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 2000));
    const auto first = received.at(0).at(0).value<CopyDataMessage>();
    EXPECT_EQ(first.senderWindow, 0x1234u);
    EXPECT_EQ(first.dataValue, 0u);
    EXPECT_EQ(first.data, stop);
    const auto second = received.at(1).at(0).value<CopyDataMessage>();
    EXPECT_EQ(second.dataValue, 99u);
    EXPECT_TRUE(second.data.isEmpty());
}

TEST(CompanionListener, DropsCutAndOversizedFramesAndGoesOn)
{
    CompanionListener listener;
    ASSERT_EQ(listener.Listen(TestTitle()), CompanionListener::ListenResult::Listening);
    QSignalSpy received(&listener, &CompanionListener::Received);

    const QByteArray whole = CopyDataFrame({1, 2, QByteArrayLiteral("abcd")});
    SendRaw(TestTitle(), whole.left(whole.size() - 1)); // closed before its last byte
    QByteArray huge = CopyDataFrame({1, 2, QByteArray()});
    huge[16] = '\xff'; // announces 255 bytes beyond the limit...
    huge[17] = '\xff';
    huge[18] = '\xff';
    SendRaw(TestTitle(), huge);
    QTest::qWait(200);
    EXPECT_EQ(received.size(), 0);

    // ...and a good message after them still arrives.
    SendRaw(TestTitle(), whole);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 2000));
    EXPECT_EQ(received.at(0).at(0).value<CopyDataMessage>().data, QByteArrayLiteral("abcd"));
}

TEST(CompanionListener, TakesOverALeftSocketButNotALiveOne)
{
    {
        // A companion that was killed leaves its socket file behind.
        QLocalServer dead;
        dead.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(dead.listen(CompanionSocketName(TestTitle())));
        const QString path = dead.fullServerName();
        dead.close();
        QFile leftOver(path);
        ASSERT_TRUE(leftOver.open(QIODevice::WriteOnly)); // close() removed it; put a stale file back
    }
    CompanionListener first;
    EXPECT_EQ(first.Listen(TestTitle()), CompanionListener::ListenResult::Listening);
    CompanionListener second;
    EXPECT_EQ(second.Listen(TestTitle()), CompanionListener::ListenResult::AlreadyRunning);
    // The first one still hears the desk.
    QSignalSpy received(&first, &CompanionListener::Received);
    ASSERT_TRUE(MakeLocalSocketCompanionLink()->Send(TestTitle(), {1, 0, QByteArrayLiteral("s")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 2000));
}
