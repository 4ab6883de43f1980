#include "tests/app/RunningProgram.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QTest>

#include <filesystem>

RunningProgram::RunningProgram(const QStringList &extra, const QStringList &arguments)
{
    m_process.setProgram(QStringLiteral(VELLORA_BINARY));
    m_process.setArguments(arguments);
    m_process.setWorkingDirectory(QString::fromStdString(std::filesystem::current_path().string()));
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString &variable : extra)
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    m_process.setProcessEnvironment(env);
    m_process.start();
    m_process.waitForStarted();
}

RunningProgram::~RunningProgram()
{
    Kill();
}

void RunningProgram::Kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

bool RunningProgram::Ended(int timeoutMs)
{
    return WaitFor([this] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
}

bool RunningProgram::Crashed() const
{
    return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::CrashExit;
}

int RunningProgram::ExitCode() const
{
    return m_process.exitCode();
}

qint64 RunningProgram::Pid() const
{
    return m_process.processId();
}

QByteArray RunningProgram::Output()
{
    return m_process.readAll();
}

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

QStringList OnPrivateCups(const QString &cupsServer)
{
    return {QStringLiteral("CUPS_SERVER=") + cupsServer, QStringLiteral("VELLORA_PAUSE_SCALE=0.05")};
}
