#include "tests/support/PrivateCups.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QHostAddress>
#include <QTcpServer>
#include <QThread>

#include <csignal>
#include <fstream>

namespace {

const char *const kBackendScheme = "vtest";

bool WriteFile(const std::filesystem::path &path, const QString &text)
{
    std::ofstream out(path, std::ios::trunc);
    out << text.toStdString();
    return static_cast<bool>(out);
}

QString ReadFile(const std::filesystem::path &path)
{
    QFile file(QString::fromStdString(path.string()));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

PrivateCups::PrivateCups()
    : m_dir(QDir::tempPath() + QStringLiteral("/vellora-cups-XXXXXX"))
    , m_daemon(m_dir.path().toStdString())
{
    std::filesystem::create_directories(Path("received"));
    std::filesystem::permissions(Path("received"), std::filesystem::perms::all);
    WriteBackend();
}

PrivateCups::~PrivateCups()
{
    Thaw();
    Stop();
}

std::filesystem::path PrivateCups::Root() const
{
    return m_daemon.Root();
}

std::filesystem::path PrivateCups::Path(const char *relative) const
{
    return Root() / relative;
}

QString PrivateCups::Server() const
{
    return m_daemon.Server();
}

void PrivateCups::UseInThisProcess() const
{
    m_daemon.UseInThisProcess();
}

void PrivateCups::WriteBackend()
{
    // Keeps the job's file and options under received/<job id>, writing
    // "info" last so a reader sees finished jobs only.
    m_daemon.InstallBackend(QLatin1String(kBackendScheme), QStringLiteral(R"SH(#!/bin/sh
if [ $# -eq 0 ]; then
  echo 'direct %2 "Unknown" "Vellora test backend"'
  exit 0
fi
out='%1'
if [ -e "$out/paper-out" ]; then
  rm -f "$out/paper-out"
  echo "STATE: +media-empty-error" >&2
  exit 4
fi
dir="$out/$1"
mkdir -p "$dir"
if [ -n "$6" ]; then cat "$6"; else cat; fi > "$dir/data"
while [ -e "$out/stall" ]; do sleep 0.1; done
{
  echo "id=$1"
  echo "user=$2"
  echo "title=$3"
  echo "copies=$4"
  echo "options=$5"
  echo "printer=$PRINTER"
} > "$dir/info.tmp"
mv "$dir/info.tmp" "$dir/info"
if [ -e "$out/supply-$PRINTER" ]; then
  read left total low < "$out/supply-$PRINTER"
  left=$((left > $4 ? left - $4 : 0))
  echo "$left $total $low" > "$out/supply-$PRINTER"
  echo "ATTR: marker-names='\"4x6\"'" >&2
  echo "ATTR: marker-types=other" >&2
  echo "ATTR: marker-high-levels=100" >&2
  echo "ATTR: marker-low-levels=$low" >&2
  echo "ATTR: marker-levels=$((left * 100 / total))" >&2
  echo "ATTR: marker-message='\"$left native prints remaining on 4x6 media\"'" >&2
fi
exit 0
)SH")
                                                              .arg(QString::fromStdString(Path("received").string()),
                                                                   QLatin1String(kBackendScheme)));
}

bool PrivateCups::Start()
{
    return m_daemon.Start();
}

void PrivateCups::Stop()
{
    m_daemon.Stop();
}

bool PrivateCups::Restart()
{
    Stop();
    return Start();
}

bool PrivateCups::IsRunning() const
{
    return m_daemon.IsRunning();
}

void PrivateCups::Freeze()
{
    if (IsRunning())
        ::kill(static_cast<pid_t>(m_daemon.ProcessId()), SIGSTOP);
}

void PrivateCups::Thaw()
{
    if (IsRunning())
        ::kill(static_cast<pid_t>(m_daemon.ProcessId()), SIGCONT);
}

std::optional<QString> PrivateCups::Run(const QString &program, const QStringList &arguments) const
{
    return m_daemon.Run(program, arguments);
}

bool PrivateCups::AddQueue(const QString &name, const QString &model)
{
    const QString uri = QLatin1String(kBackendScheme) + QStringLiteral(":/") + name;
    if (!model.isEmpty())
        return Run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), uri,
                                               QStringLiteral("-m"), model})
            .has_value();
    if (Run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), uri,
                                        QStringLiteral("-m"), QStringLiteral("drv:///sample.drv/generic.ppd")}))
        return true;
    // Without the sample driver, a PPD that cups-filters ships.
    return Run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), uri,
                                           QStringLiteral("-m"), QStringLiteral("lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd")})
        .has_value();
}

int PrivateCups::ShareOnLoopback()
{
    // A port nobody listens on now.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    m_daemon.ListenOnLoopback(port);
    return port;
}

bool PrivateCups::AddRemoteQueue(const QString &name, const PrivateCups &other, const QString &otherQueue)
{
    if (!m_daemon.BorrowBackend(QStringLiteral("ipp")))
        return false;
    const QString uri = QStringLiteral("ipp://127.0.0.1:%1/printers/%2").arg(other.m_daemon.LoopbackPort()).arg(otherQueue);
    return Run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), uri})
        .has_value();
}

bool PrivateCups::DeleteQueue(const QString &name)
{
    return Run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name}).has_value();
}

bool PrivateCups::SetOption(const QString &name, const QString &key, const QString &value)
{
    return Run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-o"), key + '=' + value}).has_value();
}

bool PrivateCups::SetEnabled(const QString &name, bool enabled)
{
    return Run(enabled ? QStringLiteral("cupsenable") : QStringLiteral("cupsdisable"), {name}).has_value();
}

bool PrivateCups::SetAccepting(const QString &name, bool accepting)
{
    return Run(accepting ? QStringLiteral("cupsaccept") : QStringLiteral("cupsreject"), {name}).has_value();
}

std::optional<int> PrivateCups::Submit(const QString &printer, const std::filesystem::path &file, const QString &title,
                                       const QStringList &options)
{
    QStringList arguments{QStringLiteral("-d"), printer, QStringLiteral("-t"), title};
    for (const QString &option : options)
        arguments << QStringLiteral("-o") << option;
    arguments << QString::fromStdString(file.string());
    const auto output = Run(QStringLiteral("lp"), arguments);
    if (!output)
        return std::nullopt;
    // "request id is NAME-12 (1 file(s))"
    const auto match = QRegularExpression(QStringLiteral("-(\\d+) \\(")).match(*output);
    return match.hasMatch() ? std::optional(match.captured(1).toInt()) : std::nullopt;
}

bool PrivateCups::HoldJob(int id)
{
    return Run(QStringLiteral("lp"), {QStringLiteral("-i"), QString::number(id), QStringLiteral("-H"), QStringLiteral("hold")})
        .has_value();
}

bool PrivateCups::ReleaseJob(int id)
{
    return Run(QStringLiteral("lp"), {QStringLiteral("-i"), QString::number(id), QStringLiteral("-H"), QStringLiteral("resume")})
        .has_value();
}

bool PrivateCups::CancelJob(int id)
{
    return Run(QStringLiteral("cancel"), {QString::number(id)}).has_value();
}

void PrivateCups::StallBackend(bool stall)
{
    const std::filesystem::path flag = Path("received/stall");
    if (stall)
        WriteFile(flag, {});
    else
        std::filesystem::remove(flag);
}

void PrivateCups::SetSupply(const QString &printer, int prints, int capacity, int lowPercent)
{
    WriteFile(Root() / "received" / ("supply-" + printer.toStdString()),
              QStringLiteral("%1 %2 %3\n").arg(prints).arg(capacity).arg(lowPercent));
}

void PrivateCups::RunOutOfPaper()
{
    WriteFile(Path("received/paper-out"), {});
}

std::vector<PrivateCups::ReceivedJob> PrivateCups::ReceivedJobs() const
{
    std::vector<ReceivedJob> jobs;
    for (const auto &folder : std::filesystem::directory_iterator(Path("received"))) {
        const QString info = ReadFile(folder.path() / "info");
        if (info.isEmpty())
            continue;
        ReceivedJob job;
        job.file = folder.path() / "data";
        for (const QString &line : info.split('\n')) {
            const QString key = line.section('=', 0, 0);
            const QString value = line.section('=', 1);
            if (key == QLatin1String("id"))
                job.id = value.toInt();
            else if (key == QLatin1String("user"))
                job.user = value;
            else if (key == QLatin1String("title"))
                job.title = value;
            else if (key == QLatin1String("copies"))
                job.copies = value.toInt();
            else if (key == QLatin1String("options"))
                job.options = value;
            else if (key == QLatin1String("printer"))
                job.printer = value;
        }
        jobs.push_back(job);
    }
    std::sort(jobs.begin(), jobs.end(), [](const ReceivedJob &a, const ReceivedJob &b) { return a.id < b.id; });
    return jobs;
}

bool PrivateCups::WaitForReceived(size_t count, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (ReceivedJobs().size() < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QThread::msleep(50);
    }
    return true;
}
