#include "platform/PrivateCupsDaemon.h"

#include <QThread>

#include <fstream>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// The system's CUPS helpers that the private daemon borrows.
const char *const kBorrowedHelpers[] = {"filter", "cgi-bin", "daemon", "driver", "monitor", "notifier"};

bool WriteFile(const std::filesystem::path &path, const QString &text)
{
    std::ofstream out(path, std::ios::trunc);
    out << text.toStdString();
    return static_cast<bool>(out);
}

} // namespace

PrivateCupsDaemon::PrivateCupsDaemon(std::filesystem::path root)
    : m_root(std::move(root))
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(m_root, error);
    // The daemon's helpers run as its unprivileged user and must reach the folders.
    fs::permissions(m_root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                | fs::perms::others_read | fs::perms::others_exec,
                    error);
    for (const char *folder : {"etc", "etc/ppd", "spool", "spool/tmp", "cache", "state", "log", "bin", "bin/backend"})
        fs::create_directories(Path(folder), error);
    for (const char *helper : kBorrowedHelpers) {
        const fs::path system = fs::path("/usr/lib/cups") / helper;
        if (fs::exists(system) && !fs::exists(fs::symlink_status(Path("bin") / helper)))
            fs::create_directory_symlink(system, Path("bin") / helper, error);
    }
    WriteConfiguration();
}

PrivateCupsDaemon::~PrivateCupsDaemon()
{
    if (IsRunning())
        ::kill(static_cast<pid_t>(m_daemon.processId()), SIGCONT);
    Stop();
}

QString PrivateCupsDaemon::Server() const
{
    return QString::fromStdString(Path("cups.sock").string());
}

void PrivateCupsDaemon::UseInThisProcess() const
{
    qputenv("CUPS_SERVER", Server().toUtf8());
    // libcups run as root reads a local daemon's PPDs from its server root.
    qputenv("CUPS_SERVERROOT", QString::fromStdString(Path("etc").string()).toUtf8());
}

void PrivateCupsDaemon::WriteConfiguration()
{
    const QString root = QString::fromStdString(m_root.string());
    const QString network = m_port > 0 ? QStringLiteral("Listen 127.0.0.1:%1\n").arg(m_port) : QString();
    WriteFile(Path("etc/cupsd.conf"), network + QStringLiteral(R"(Listen %1/cups.sock
LogLevel warn
Browsing Off
WebInterface No
DefaultAuthType None
MaxJobs 0
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
)")
                                          .arg(root));
    WriteFile(Path("etc/cups-files.conf"), QStringLiteral(R"(ServerRoot %1/etc
RequestRoot %1/spool
TempDir %1/spool/tmp
CacheDir %1/cache
StateDir %1/state
ServerBin %1/bin
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
AccessLog %1/log/access_log
ErrorLog %1/log/error_log
PageLog %1/log/page_log
FileDevice No
Sandboxing Relaxed
)")
                                                .arg(root));
}

void PrivateCupsDaemon::ListenOnLoopback(int port)
{
    m_port = port;
    WriteConfiguration();
}

bool PrivateCupsDaemon::BorrowBackend(const QString &scheme)
{
    const std::filesystem::path system = std::filesystem::path("/usr/lib/cups/backend") / scheme.toStdString();
    const std::filesystem::path own = Path("bin/backend") / scheme.toStdString();
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(own)))
        std::filesystem::create_symlink(system, own, error);
    return std::filesystem::exists(own);
}

bool PrivateCupsDaemon::InstallBackend(const QString &scheme, const QString &script)
{
    const std::filesystem::path backend = Path("bin/backend") / scheme.toStdString();
    if (!WriteFile(backend, script))
        return false;
    // Mode 0700 makes cupsd run it as root.
    std::error_code error;
    std::filesystem::permissions(backend, std::filesystem::perms::owner_all, error);
    return !error;
}

bool PrivateCupsDaemon::Start()
{
    if (IsRunning())
        return true;
    m_daemon.setProgram(QStringLiteral("/usr/sbin/cupsd"));
    m_daemon.setArguments({QStringLiteral("-f"), QStringLiteral("-c"), QString::fromStdString(Path("etc/cupsd.conf").string()),
                           QStringLiteral("-s"), QString::fromStdString(Path("etc/cups-files.conf").string())});
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The daemon must not outlive us, even when we are killed.
    const pid_t parent = ::getpid();
    m_daemon.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
    });
    m_daemon.start();
    if (!m_daemon.waitForStarted(5000))
        return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Run(QStringLiteral("lpstat"), {QStringLiteral("-r")}).value_or(QString()).contains(QStringLiteral("is running")))
            return true;
        if (!IsRunning())
            return false;
        QThread::msleep(50);
    }
    return false;
}

void PrivateCupsDaemon::Stop()
{
    if (!IsRunning())
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(10000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

bool PrivateCupsDaemon::IsRunning() const
{
    return m_daemon.state() != QProcess::NotRunning;
}

qint64 PrivateCupsDaemon::ProcessId() const
{
    return m_daemon.processId();
}

std::optional<QString> PrivateCupsDaemon::Run(const QString &program, const QStringList &arguments) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUPS_SERVER"), Server());
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(15000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), tool.readAllStandardError().constData());
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}
