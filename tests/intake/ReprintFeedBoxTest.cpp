#include "desk/ProcessState.h"
#include "desk/WorkingFolders.h"
#include "intake/IntakeState.h"
#include "intake/ReprintFeedState.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "platform/Pause.h"
#include "settings/ReprintRules.h"
#include "settings/SystemSettings.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/ProgramFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// The print manager page with both companions' folders set; pauses scaled.
class FeedBoxes : public testing::Test
{
protected:
    FeedBoxes()
    {
        // Companion sockets lie in the temporary folder: this test's own, so
        // tests running side by side never reach each other's companions.
        m_tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(folder.Path().string()));
        CreateWorkingFolders();
        SetPauseScale(0.01);
        SaveReprintRules({QStringLiteral("auto"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("-1")});
        SystemSettings::SavePhoneReprintFolder(QStringLiteral("phone"));
        page = std::make_unique<Scene_Print_Manager>();
        page->show(); // a window of its own, which the companions are told
    }
    ~FeedBoxes() override
    {
        EXPECT_TRUE(QTest::qWaitFor([] { return AutoReprintCount == 0 && PhoneReprintCount == 0; }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([] { return PendingScanCount == 0 && PrintedListReady; }, 5000));
        page.reset();
        PrintedListReady = false;
        SetReprintRules({});
        SetPauseScale(1.0);
        if (m_tmpdir.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_tmpdir);
    }

    QByteArray ExpectedFrame() const
    {
        // Sender window, data value 0, byte count 4, then "st" in UTF-16LE.
        QByteArray frame(8, '\0');
        qToLittleEndian<quint64>(page->window()->effectiveWinId(), frame.data());
        frame.append(QByteArray("\0\0\0\0\0\0\0\0" "\x04\0\0\0" "s\0t\0", 16));
        return frame;
    }

    ProgramFolder folder;
    QByteArray m_tmpdir;
    std::unique_ptr<Scene_Print_Manager> page;
};

struct Feed
{
    const char *title;
    const char *socketName; // as a companion computes it from its title
    QCheckBox *(Scene_Print_Manager::*box)() const;
    std::atomic<bool> *running;
    std::atomic<int> *count;
    const char *missing;
};

const Feed kFeeds[] = {
    {"Vellora - JPG照片中人的数量  Powered By OpenCV", "vellora-companion-77074903435acf730edccd3b9156fd0fc1035f2e",
     &Scene_Print_Manager::AutoReprintBox, &AutoReprintRunning, &AutoReprintCount, "请打开 Zendrik 软件"},
    {"Vellora | Transmission", "vellora-companion-0e87e8a585a9743f8265be5301be59a46867ecbe",
     &Scene_Print_Manager::PhoneReprintBox, &PhoneReprintRunning, &PhoneReprintCount,
     "请打开 VelloraTransmission 软件"},
};

} // namespace

TEST_F(FeedBoxes, CompanionListeningUnderItsTitleReceivesTheStopMessage)
{
    const MessageBoxAnswer answer(QMessageBox::Ok);
    for (const Feed &feed : kFeeds) {
        SCOPED_TRACE(feed.title);
        QLocalServer companion;
        QLocalServer::removeServer(QString::fromUtf8(feed.socketName));
        ASSERT_TRUE(companion.listen(QString::fromUtf8(feed.socketName)));
        QCheckBox *box = (page.get()->*feed.box)();

        box->click();
        EXPECT_TRUE(box->isChecked());
        EXPECT_TRUE(*feed.running);
        ASSERT_TRUE(companion.waitForNewConnection(3000));
        QLocalSocket *from = companion.nextPendingConnection();
        QByteArray received;
        while (from->state() == QLocalSocket::ConnectedState && from->waitForReadyRead(1000))
            received += from->readAll();
        received += from->readAll();
        EXPECT_NE(page->window()->effectiveWinId(), 0u);
        EXPECT_EQ(received.toHex().toStdString(), ExpectedFrame().toHex().toStdString());

        box->click();
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(QTest::qWaitFor([&feed] { return *feed.count == 0 && !*feed.running; }, 3000));
    }
    EXPECT_TRUE(answer.Boxes().empty());
}

TEST_F(FeedBoxes, WithoutItsCompanionTheMessageAppearsAndTheThreadRunsAllTheSame)
{
    for (const Feed &feed : kFeeds) {
        SCOPED_TRACE(feed.title);
        QLocalServer::removeServer(QString::fromUtf8(feed.socketName));
        QCheckBox *box = (page.get()->*feed.box)();
        // The message shows while the thread already runs.
        QString shown;
        QString title;
        bool runningWhileShown = false;
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            // A notice that does not block: a visible box among the top-level windows.
            QMessageBox *message = nullptr;
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                    message = box;
            }
            if (!message)
                return;
            shown = message->text();
            title = message->windowTitle();
            runningWhileShown = *feed.count == 1;
            message->button(QMessageBox::Ok)->click();
        });
        answerer.start(5);
        box->click();
        // The notice shows after the click returns: it never holds the caller.
        EXPECT_TRUE(QTest::qWaitFor([&shown] { return !shown.isEmpty(); }, 3000));
        answerer.stop();
        EXPECT_EQ(shown, QString::fromUtf8(feed.missing));
        EXPECT_EQ(title, QStringLiteral("提示"));
        EXPECT_TRUE(runningWhileShown);
        EXPECT_TRUE(box->isChecked());
        EXPECT_TRUE(QTest::qWaitFor([&feed] { return feed.running->load(); }, 3000));
        box->click();
        EXPECT_TRUE(QTest::qWaitFor([&feed] { return *feed.count == 0; }, 3000));
    }
}

TEST_F(FeedBoxes, WithoutAFolderTheBoxStaysClear)
{
    SetReprintRules({});
    SystemSettings::SavePhoneReprintFolder(QString());
    for (const Feed &feed : kFeeds) {
        QCheckBox *box = (page.get()->*feed.box)();
        box->click();
        EXPECT_FALSE(box->isChecked()) << feed.title;
        EXPECT_EQ(*feed.count, 0);
    }
}
