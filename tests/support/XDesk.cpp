#include "tests/support/XDesk.h"

#include <QDir>
#include <functional>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace {

// Displays well above the ones people and shared desks take.
constexpr int kFirstDisplay = 140;
constexpr int kLastDisplay = 199;

bool SocketExists(int display)
{
    return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display));
}

} // namespace

XDesk::XDesk() = default;

XDesk::~XDesk()
{
    for (auto *process : {m_windowManager.get(), m_server.get()}) {
        if (process && process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished();
            }
        }
    }
}

bool XDesk::Start()
{
    for (const char *tool : {"Xvfb", "openbox", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            m_failure = QStringLiteral("%1 is not installed (scripts/install-packages test)").arg(QLatin1String(tool));
            return false;
        }
    }
    int display = kFirstDisplay;
    while (display <= kLastDisplay && (SocketExists(display) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display))))
        ++display;
    if (display > kLastDisplay) {
        m_failure = QStringLiteral("no free X display");
        return false;
    }
    m_display = QStringLiteral(":%1").arg(display);
    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server->setStandardOutputFile(QProcess::nullDevice());
    m_server->start(QStringLiteral("Xvfb"), {m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1600x1000x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    for (int tries = 0; tries < 100 && !SocketExists(display); ++tries) {
        if (m_server->state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    if (!SocketExists(display)) {
        m_failure = QStringLiteral("the X server did not start on %1").arg(m_display);
        return false;
    }
    m_windowManager = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    m_windowManager->setProcessEnvironment(environment);
    m_windowManager->setStandardOutputFile(QProcess::nullDevice());
    m_windowManager->setStandardErrorFile(QProcess::nullDevice());
    m_windowManager->start(QStringLiteral("openbox"), {});
    if (!m_windowManager->waitForStarted()) {
        m_failure = QStringLiteral("openbox did not start");
        return false;
    }
    QThread::msleep(500); // the window manager takes the screen before the first window maps
    return true;
}

bool XDesk::Run(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void XDesk::Click(QPoint at) const
{
    Run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                    QStringLiteral("sleep"), QStringLiteral("0.2"), QStringLiteral("click"), QStringLiteral("1")});
}

void XDesk::DoubleClick(QPoint at) const
{
    Run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("sleep"),
         QStringLiteral("0.2"), QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
         QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
}

void XDesk::Type(const QString &text) const
{
    Run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), text});
}

void XDesk::Key(const QString &keys) const
{
    Run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

bool XDesk::Screenshot(const QString &path) const
{
    return Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
}

std::vector<WidgetMapFile::Entry> WidgetMapFile::Read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<Entry> entries;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        Entry entry;
        entry.kind = f.value(0);
        auto rect = [&f](int first) {
            return QRect(f.value(first).toInt(), f.value(first + 1).toInt(), f.value(first + 2).toInt(),
                         f.value(first + 3).toInt());
        };
        if (entry.kind == QLatin1String("widget") && f.size() >= 8) {
            entry.klass = f[1];
            entry.name = f[2];
            entry.text = f[3];
            entry.rect = rect(4);
        } else if (entry.kind == QLatin1String("item") && f.size() >= 10) {
            entry.klass = f[1];
            entry.row = f[2].toInt();
            entry.column = f[3].toInt();
            entry.text = f[4];
            entry.checkState = f[5].toInt();
            entry.rect = rect(6);
        } else if (entry.kind == QLatin1String("check") && f.size() >= 9) {
            entry.klass = f[1];
            entry.row = f[2].toInt();
            entry.column = f[3].toInt();
            entry.checkState = f[4].toInt();
            entry.rect = rect(5);
        } else if (entry.kind == QLatin1String("focus") && f.size() >= 3) {
            entry.klass = f[1];
            entry.name = f[2];
        } else {
            continue;
        }
        entries.push_back(entry);
    }
    return entries;
}

namespace {

std::optional<WidgetMapFile::Entry> First(const std::vector<WidgetMapFile::Entry> &entries,
                                          const std::function<bool(const WidgetMapFile::Entry &)> &wanted)
{
    for (const auto &entry : entries)
        if (wanted(entry))
            return entry;
    return std::nullopt;
}

} // namespace

std::optional<WidgetMapFile::Entry> WidgetMapFile::Widget(const QString &objectName) const
{
    return First(Read(), [&](const Entry &e) { return e.kind == QLatin1String("widget") && e.name == objectName; });
}

std::optional<WidgetMapFile::Entry> WidgetMapFile::WidgetWithText(const QString &klass, const QString &text) const
{
    return First(Read(), [&](const Entry &e) {
        return e.kind == QLatin1String("widget") && e.klass == klass && e.text.startsWith(text);
    });
}

std::optional<WidgetMapFile::Entry> WidgetMapFile::Item(const QString &view, const QString &text) const
{
    return First(Read(), [&](const Entry &e) { return e.kind == QLatin1String("item") && e.klass == view && e.text == text; });
}

std::optional<WidgetMapFile::Entry> WidgetMapFile::Cell(const QString &view, int row, int column) const
{
    return First(Read(), [&](const Entry &e) {
        return e.kind == QLatin1String("item") && e.klass == view && e.row == row && e.column == column;
    });
}

QString WidgetMapFile::Focus() const
{
    const auto focus = First(Read(), [](const Entry &e) { return e.kind == QLatin1String("focus"); });
    return focus ? focus->name : QString();
}

std::optional<WidgetMapFile::Entry> WidgetMapFile::CheckBox(const QString &view, int row, int column) const
{
    return First(Read(), [&](const Entry &e) {
        return e.kind == QLatin1String("check") && e.klass == view && e.row == row && e.column == column;
    });
}
