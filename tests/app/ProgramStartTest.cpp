#include "app/SysValues.h"
#include "platform/Utf16File.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ProgramFolder.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The real program, started offscreen in the current program folder.
class Program final
{
public:
    // `extra` adds to the environment, "NAME=value" each.
    explicit Program(const QStringList &extra = {})
    {
        m_process.setProgram(QStringLiteral(VELLORA_BINARY));
        m_process.setWorkingDirectory(QString::fromStdString(fs::current_path().string()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const QString &variable : extra)
            env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
        m_process.setProcessEnvironment(env);
        m_process.start();
        m_process.waitForStarted();
    }
    ~Program() { Kill(); }

    void Kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TodaysLog()
{
    return QStringLiteral("Config/LOG/") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))
        + QStringLiteral(".ini");
}

// Code page 936 bytes, spelled out so the test does not trust our own converter.
const QByteArray kProgramOpened("\xB4\xF2\xBF\xAA\xC8\xED\xBC\xFE");              // 打开软件
const QByteArray kRecoveryFinished("\xCD\xEA\xB3\xC9\xB1\xC0\xC0\xA3\xBB\xD6\xB8\xB4"); // 完成崩溃恢复
const QByteArray kAutoReprintStarted(
    "\xBF\xAA\xCA\xBC\xD7\xD4\xB6\xAF\xB2\xB9\xB4\xF2\xBB\xE1\xBB\xB0\xCF\xDF\xB3\xCC"); // 开始自动补打会话线程

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

} // namespace

TEST(Program, FirstStartInAnEmptyFolderPreparesItAndLogsTheStart)
{
    const ProgramFolder folder(ProgramFolder::Config::Omit);
    Program program;
    ASSERT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).contains(kProgramOpened); }, 15000));

    for (const char *path : {"Config", "Config/LOG", "Pic_B", "Pic_P", "Pic_R", "Pic_S", "TempPicture",
                             "CombinationTempPicture", "CombinationAddPrint"})
        EXPECT_TRUE(fs::is_directory(path)) << path;
    EXPECT_FALSE(fs::exists("Pic_T"));
    EXPECT_EQ(ReadFile(QStringLiteral("Config/LOG/Sys.ini")), QByteArray("[System]\r\nAction=Start\r\n"));

    // One section per entry, named by the unpadded time, key "Code".
    const QByteArray log = ReadFile(TodaysLog());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\[\\d{4,9}\\]\r\nCode=")).match(QString::fromLatin1(log)).hasMatch())
        << log.toStdString();
}

TEST(Program, KilledProgramRecoversOnceAtItsTwelfthTick)
{
    const ProgramFolder folder;
    {
        Program first;
        ASSERT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).contains(kProgramOpened); }, 15000));
    } // killed

    QElapsedTimer sinceStart;
    sinceStart.start();
    Program second;
    ASSERT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).contains(kRecoveryFinished); }, 30000));
    EXPECT_GE(sinceStart.elapsed(), 11000);

    QTest::qWait(4000);
    EXPECT_EQ(ReadFile(TodaysLog()).count(kRecoveryFinished), 1);
}

// An event under way on one printer: photo 1234 printed once on Photo-A
// today, the face-counting tool writing to "info", and a state file that
// says the last run was killed with automatic printing and automatic
// reprint on and a printer chosen.
void PrepareEventKilledWithAutomaticReprintOn()
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    fs::create_directories("Config/LOG");
    fs::create_directories("Pic_R");
    fs::create_directories("info");
    QImage photo(60, 40, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    ASSERT_TRUE(photo.save(QStringLiteral("Pic_R/1234.jpg")));
    ASSERT_TRUE(Utf16File::WriteText(("Config/" + today + ".vellora").toStdString(), u"1234:1;\n"));
    ASSERT_TRUE(Utf16File::WriteText(("Config/" + today + "PT.vellora").toStdString(), u"Photo-A:1;\n"));
    ASSERT_TRUE(Utf16File::WriteText("Config/AutoAddPrintInfo.vellora", u"info\n0\n0\n-1"));
    for (const char *key : {"Action", "AutoPrint", "AutoAddPrint"})
        WriteSysValue(QStringLiteral("System"), QString::fromUtf8(key), QStringLiteral("Start"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("ChoosePrinter"), QStringLiteral("True"));
}

// Killed while automatic reprint runs, the program comes back, recovery
// starts automatic reprint again, and the tool's info file becomes a
// reprint job at the spooler.
TEST(Program, KilledWithAutomaticReprintOnResumesItAndPrintsTheToolsInfoFile)
{
    const ProgramFolder folder;
    PrivateCups cups;
    ASSERT_TRUE(cups.Start());
    ASSERT_TRUE(cups.AddQueue(QStringLiteral("Photo-A")));
    PrepareEventKilledWithAutomaticReprintOn();
    const QStringList environment{QStringLiteral("CUPS_SERVER=") + cups.Server(),
                                  QStringLiteral("VELLORA_PAUSE_SCALE=0.05")};
    {
        Program first(environment);
        ASSERT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).contains(kAutoReprintStarted); }, 30000));
    } // killed while automatic reprint runs
    EXPECT_EQ(ReadSysValue(QStringLiteral("System"), QStringLiteral("AutoAddPrint")), QStringLiteral("Start"));
    ASSERT_TRUE(cups.ReceivedJobs().empty());
    ASSERT_TRUE(Utf16File::WriteText("info/1234.vellora", u"2"));

    Program second(environment);
    ASSERT_TRUE(cups.WaitForReceived(1, std::chrono::seconds(60)));
    const PrivateCups::ReceivedJob job = cups.ReceivedJobs().front();
    EXPECT_EQ(job.printer, QStringLiteral("Photo-A"));
    EXPECT_EQ(job.title, QStringLiteral("1234"));
    EXPECT_EQ(job.copies, 2);
    EXPECT_FALSE(fs::exists("info/1234.vellora"));
    EXPECT_EQ(ReadFile(TodaysLog()).count(kAutoReprintStarted), 2);
}
