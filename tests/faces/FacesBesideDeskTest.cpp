#include "tests/intake/PrintingWindow.h"

#include "desk/ProcessState.h"
#include "faces/ui/FacesWindow.h"
#include "intake/IntakeState.h"
#include "intake/ReprintFeedState.h"
#include "platform/CompanionLink.h"
#include "platform/Utf16File.h"
#include "tests/support/Eventually.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRadioButton>

#include <algorithm>
#include <string>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

QString Photo(const char *name)
{
    return QStringLiteral(FACES_PHOTOS "/%1").arg(QString::fromUtf8(name));
}

// The real desk over a private CUPS daemon with automatic reprint on
// (m = 0, M = 0, R = -1, info folder "info"), and the tool as the program
// an operator starts beside it, on the same program folder.
class FacesBesideDesk : public PrintingWindow
{
protected:
    void SetUp() override
    {
        PrintingWindow::SetUp();
        fs::create_directory("info");
        Utf16File::WriteText("Config/AutoAddPrintInfo.vellora", QDir::currentPath() + QStringLiteral("/info\n0\n0\n-1"));
    }

    void TearDown() override
    {
        StopTool();
        PrintingWindow::TearDown();
    }

    void StartTool()
    {
        m_tool.setProgram(QStringLiteral(FACES_BINARY));
        m_tool.setArguments({QDir::currentPath()});
        m_tool.setProcessChannelMode(QProcess::ForwardedChannels);
        m_tool.start();
        ASSERT_TRUE(m_tool.waitForStarted(5000));
        ASSERT_EVENTUALLY(ToolListens(), 15000);
    }

    // As a crash or a kill ends it: no chance to tidy up.
    void StopTool()
    {
        if (m_tool.state() == QProcess::NotRunning)
            return;
        m_tool.kill();
        m_tool.waitForFinished(5000);
    }

    static bool ToolListens()
    {
        QLocalSocket probe;
        probe.connectToServer(CompanionSocketName(FacesWindow::Title()));
        const bool listening = probe.waitForConnected(200);
        probe.abort();
        return listening;
    }

    static void Arrive(const char *photo, const char *as)
    {
        ASSERT_TRUE(QFile::copy(Photo(photo), QStringLiteral("in/%1").arg(QString::fromUtf8(as))));
    }

    // "title x copies" of the jobs the spooler received, sorted (a first
    // print is titled with the file name, a reprint with the photo's name).
    std::string Jobs() const
    {
        QStringList jobs;
        for (const PrivateCups::ReceivedJob &job : m_cups.ReceivedJobs())
            jobs.append(QStringLiteral("%1x%2").arg(job.title).arg(job.copies));
        jobs.sort();
        return jobs.join(u' ').toStdString();
    }

    QProcess m_tool;
};

} // namespace

TEST_F(FacesBesideDesk, EveryPersonInAPrintedPhotoGetsACopyOnceAcrossARestartOfTheTool)
{
    StartTool();
    OpenWindow();
    ASSERT_EVENTUALLY(PrintedListReady, 15000);
    CheckPrinter(0);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);
    Page().AutoReprintBox()->click(); // tells the tool, finds it running: no message
    ASSERT_EVENTUALLY(AutoReprintRunning, 5000);

    // Two people, then nobody: the first gets two more copies, the second none.
    Arrive("two-astronauts.jpg", "0001.jpg");
    Arrive("people-00-coffee.jpg", "0002.jpg");
    ASSERT_EVENTUALLY_EQ(Jobs(), std::string("0001.jpgx1 0001x2 0002.jpgx1"), 90000);
    ASSERT_EVENTUALLY(QDir(QStringLiteral("info")).isEmpty(), 10000); // the nobody's file is taken too

    // Killed, and another photo of two printed meanwhile; the restarted tool
    // hands in that one and nothing it counted before.
    StopTool();
    Arrive("two-astronauts.jpg", "0003.jpg");
    ASSERT_EVENTUALLY_EQ(Jobs(), std::string("0001.jpgx1 0001x2 0002.jpgx1 0003.jpgx1"), 60000);
    StartTool();
    ASSERT_EVENTUALLY_EQ(Jobs(), std::string("0001.jpgx1 0001x2 0002.jpgx1 0003.jpgx1 0003x2"), 60000);
    ASSERT_EVENTUALLY(QDir(QStringLiteral("info")).isEmpty(), 10000);
    QTest::qWait(3000); // a few more passes of both
    EXPECT_EQ(Jobs(), "0001.jpgx1 0001x2 0002.jpgx1 0003.jpgx1 0003x2");
}
