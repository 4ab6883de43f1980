#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// The real program (build/vellora), started offscreen in the current
// program folder, killed (SIGKILL) when the object goes away.
class RunningProgram final
{
public:
    // `extra` adds to the environment, "NAME=value" each.
    explicit RunningProgram(const QStringList &extra = {}, const QStringList &arguments = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram &) = delete;
    RunningProgram &operator=(const RunningProgram &) = delete;

    void Kill();
    // True once the process has ended (within `timeoutMs`).
    bool Ended(int timeoutMs);
    // Ended by a signal (a crash point kills the program with SIGKILL).
    bool Crashed() const;
    int ExitCode() const;
    qint64 Pid() const;
    QByteArray Output();

private:
    QProcess m_process;
};

QByteArray ReadFile(const QString &path);
// Config/LOG/<today>.ini
QString TodaysLog();
// Polls `condition` every tenth of a second with the event loop running;
// false when it never held within `timeoutMs`.
bool WaitFor(const std::function<bool()> &condition, int timeoutMs);
// The environment of a program printing to the private CUPS daemon at
// `cupsServer`, its pauses cut to a twentieth.
QStringList OnPrivateCups(const QString &cupsServer);
