#include "tests/support/ProgramFolder.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
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
    Program()
    {
        m_process.setProgram(QStringLiteral(VELLORA_BINARY));
        m_process.setWorkingDirectory(QString::fromStdString(fs::current_path().string()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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
