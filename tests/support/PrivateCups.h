#pragma once

#include "platform/PrivateCupsDaemon.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <optional>
#include <vector>

// A private CUPS daemon in a temporary folder, for tests that print or ask a
// real spooler (the program's own PrivateCupsDaemon). Its queues print through a test backend that keeps each job's file and
// options in a folder instead of printing. The daemon stops when the object
// goes away. Needs to run as root (cupsd's rules for filters and backends).
class PrivateCups final
{
public:
    // A job as the test backend received it.
    struct ReceivedJob
    {
        int id = 0;
        QString printer;
        QString title;
        QString user;
        int copies = 0;
        QString options;
        std::filesystem::path file;
    };

    PrivateCups();
    PrivateCups(const PrivateCups &) = delete;
    PrivateCups &operator=(const PrivateCups &) = delete;
    ~PrivateCups();

    // Starts the daemon and waits until it answers; false when it does not within a few seconds.
    bool Start();
    // Stops the daemon (its queues and held jobs are kept on disk for a restart).
    void Stop();
    bool Restart();
    bool IsRunning() const;
    // Stops and resumes the daemon's process without ending it: a hung spooler.
    void Freeze();
    void Thaw();

    // Shares the daemon's queues over IPP on a free loopback port from the
    // next start on, like another desk on the network; the port.
    int ShareOnLoopback();
    // A queue of this daemon printing to another daemon's shared queue.
    bool AddRemoteQueue(const QString &name, const PrivateCups &other, const QString &otherQueue);

    // The value of CUPS_SERVER that reaches this daemon.
    QString Server() const;
    // Points this process's CUPS clients at the daemon.
    void UseInThisProcess() const;

    // A real dye-sublimation photo printer's driver (gutenprint), as `lpadmin -m` names it.
    static constexpr const char *kDyeSublimationModel = "gutenprint.5.3://dnp-ds620/expert";

    // Adds an enabled queue that accepts jobs and prints through the test
    // backend, with the given driver or else the generic office one.
    bool AddQueue(const QString &name, const QString &model = {});
    bool DeleteQueue(const QString &name);
    // A default option of the queue, as `lpadmin -o key=value` sets it.
    bool SetOption(const QString &name, const QString &key, const QString &value);
    // Stopped queues keep their jobs; enabled ones print them.
    bool SetEnabled(const QString &name, bool enabled);
    bool SetAccepting(const QString &name, bool accepting);

    // Submits a file; the job id, or nothing when the daemon refused it.
    std::optional<int> Submit(const QString &printer, const std::filesystem::path &file, const QString &title,
                              const QStringList &options = {});
    bool HoldJob(int id);
    bool ReleaseJob(int id);
    bool CancelJob(int id);
    // While stalled, the test backend does not finish its jobs: they stay "processing".
    void StallBackend(bool stall);
    // The next job the backend gets finds the paper out: it reports
    // "media-empty" and stops its queue, which keeps the job, as a photo
    // printer's backend does.
    void RunOutOfPaper();
    // The queue's printer counts its prints the way a dye-sublimation
    // driver's backend does: after each job it reports the prints left (as
    // "N native prints remaining on 4x6 media"), their level in per cent of
    // `capacity` and the driver's low mark.
    void SetSupply(const QString &printer, int prints, int capacity, int lowPercent);

    // Jobs the backend has finished receiving, oldest first.
    std::vector<ReceivedJob> ReceivedJobs() const;
    bool WaitForReceived(size_t count, std::chrono::milliseconds timeout) const;

    // Runs a CUPS command-line tool against this daemon; its output, or nothing when it failed.
    std::optional<QString> Run(const QString &program, const QStringList &arguments) const;

    std::filesystem::path Root() const;

private:
    void WriteBackend();
    std::filesystem::path Path(const char *relative) const;

    QTemporaryDir m_dir;
    PrivateCupsDaemon m_daemon;
};
