#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

// A CUPS daemon of our own in a folder: its configuration, spool, logs and a
// local socket all live there, it borrows the system's filters and drivers,
// and its queues print through backend scripts its owner installs. It never
// touches the system's spooler, and it stops with the thread that started it
// (also when that process is killed). Needs root (cupsd's rules for filters
// and backends).
class PrivateCupsDaemon final
{
public:
    // Prepares the folder (created when missing): configuration and helpers.
    explicit PrivateCupsDaemon(std::filesystem::path root);
    PrivateCupsDaemon(const PrivateCupsDaemon &) = delete;
    PrivateCupsDaemon &operator=(const PrivateCupsDaemon &) = delete;
    ~PrivateCupsDaemon();

    // Starts the daemon and waits until it answers; false when it does not within a few seconds.
    bool Start();
    // Stops the daemon (its queues and held jobs are kept on disk for a restart).
    void Stop();
    bool IsRunning() const;
    qint64 ProcessId() const;

    // The value of CUPS_SERVER that reaches this daemon.
    QString Server() const;
    // Points this process's CUPS clients at the daemon.
    void UseInThisProcess() const;

    // Serves IPP on 127.0.0.1:port as well, as a desk sharing its printers
    // does; takes effect at the next start.
    void ListenOnLoopback(int port);
    int LoopbackPort() const { return m_port; }

    // Lets queues use the system's backend for URIs "scheme://..." (ipp for
    // another desk's shared printer).
    bool BorrowBackend(const QString &scheme);

    // Installs a backend script for URIs "scheme:/...". It runs as root.
    bool InstallBackend(const QString &scheme, const QString &script);

    // Runs a CUPS command-line tool against this daemon; its output, or nothing when it failed.
    std::optional<QString> Run(const QString &program, const QStringList &arguments) const;

    std::filesystem::path Root() const { return m_root; }
    std::filesystem::path Path(const char *relative) const { return m_root / relative; }

private:
    void WriteConfiguration();

    std::filesystem::path m_root;
    QProcess m_daemon;
    int m_port = 0;
};
