#include "platform/CompanionListener.h"

#include "tests/support/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

const QString Title = QStringLiteral("Vellora | Transmission");

// Companion sockets lie in the temporary folder: this test's own.
class CompanionListenerTest : public testing::Test
{
protected:
    CompanionListenerTest() : m_tmpdir(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", QByteArray::fromStdString(m_folder.Path().string()));
    }
    ~CompanionListenerTest() override
    {
        if (m_tmpdir.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_tmpdir);
    }

    ProgramFolder m_folder;
    QByteArray m_tmpdir;
};

} // namespace

TEST_F(CompanionListenerTest, TheDesksMessageArrivesWhole)
{
    CompanionListener companion;
    ASSERT_TRUE(companion.Listen(Title));
    QSignalSpy received(&companion, &CompanionListener::Received);
    const CopyDataMessage sent{0x1234567890ULL, 7, QByteArray("s\0t\0", 4)};
    // The desk sends from a thread of its own and waits for the socket to be taken.
    std::thread desk([&sent] { EXPECT_TRUE(MakeLocalSocketCompanionLink()->Send(Title, sent)); });
    ASSERT_TRUE(received.wait(3000));
    desk.join();
    const auto message = received.at(0).at(0).value<CopyDataMessage>();
    EXPECT_EQ(message.senderWindow, sent.senderWindow);
    EXPECT_EQ(message.dataValue, sent.dataValue);
    EXPECT_EQ(message.data, sent.data);
}

TEST_F(CompanionListenerTest, ASocketLeftByAnEarlierRunIsTakenOver)
{
    // A crashed run leaves its socket file behind; the next run listens all the same.
    QFile leftOver(QDir::tempPath() + QLatin1Char('/') + CompanionSocketName(Title));
    ASSERT_TRUE(leftOver.open(QIODevice::WriteOnly));
    leftOver.close();
    CompanionListener companion;
    EXPECT_TRUE(companion.Listen(Title));
}

// A second copy of a companion never takes the socket of the one that runs:
// the desk's messages still reach the first.
TEST_F(CompanionListenerTest, ARunningCompanionKeepsItsSocket)
{
    EXPECT_FALSE(CompanionListener::Answers(Title));
    CompanionListener first;
    ASSERT_TRUE(first.Listen(Title));
    EXPECT_TRUE(CompanionListener::Answers(Title));
    CompanionListener second;
    EXPECT_FALSE(second.Listen(Title));

    QSignalSpy received(&first, &CompanionListener::Received);
    std::thread desk([] { EXPECT_TRUE(MakeLocalSocketCompanionLink()->Send(Title, {1, 0, QByteArray("stop")})); });
    // The probes' empty connections are no messages; the desk's is.
    EXPECT_TRUE(QTest::qWaitFor([&received] { return received.size() == 1; }, 3000));
    desk.join();
    EXPECT_EQ(received.size(), 1);
}

TEST_F(CompanionListenerTest, OnlyWholeFramesAreMessages)
{
    const QByteArray frame = CopyDataFrame({1, 0, QByteArray("stop")});
    ASSERT_TRUE(ParseCopyDataFrame(frame));
    EXPECT_EQ(ParseCopyDataFrame(frame)->data, QByteArray("stop"));
    EXPECT_FALSE(ParseCopyDataFrame(frame.left(frame.size() - 1))) << "cut short";
    EXPECT_FALSE(ParseCopyDataFrame(frame + "x")) << "trailing bytes";
    EXPECT_FALSE(ParseCopyDataFrame(frame.left(19))) << "no whole header";
}
