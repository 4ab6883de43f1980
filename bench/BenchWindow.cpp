#include "bench/BenchWindow.h"

#include "desk/PrinterListModel.h"
#include "desk/ProcessState.h"
#include "compose/TemplateSettings.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "platform/Pause.h"
#include "platform/Profile.h"
#include "platform/Utf16File.h"
#include "printing/PrinterRegistry.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace {

bool WaitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QTest::qWait(50);
    }
    return true;
}

void WriteSettings(QSize paperMm)
{
    std::filesystem::create_directories("Config");
    std::filesystem::create_directories("in");
    std::filesystem::create_directories("stage");
    // A frame at 480 dpi around a window that takes most of the canvas.
    QImage frame(paperMm * 480 * 10 / 254, QImage::Format_ARGB32);
    frame.fill(QColor(30, 30, 120));
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(frame.rect().adjusted(frame.width() / 36, frame.height() / 32, -frame.width() / 36,
                                           -frame.height() / 32),
                     Qt::transparent);
    painter.end();
    frame.save(QStringLiteral("frame.png"));

    const QString here = QDir::currentPath();
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"), here + "/in");
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Frame_File"), QStringLiteral("Code"), here + "/frame.png");
    Profile::Write(TemplateSettingsFile, TemplateSettingsSection(), QStringLiteral("Proportion"), QStringLiteral("0.9"));
    Utf16File::WriteText("Config/All_the_same.vellora",
                         QStringLiteral("%1\n%2\n").arg(paperMm.width()).arg(paperMm.height()));
}

// A camera-like photo: gradients with grain, so it decodes like a real one.
QImage CameraPhoto(QSize size)
{
    QImage photo(size, QImage::Format_RGB32);
    QRandomGenerator grain(11);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = static_cast<int>(grain.bounded(20));
            line[x] = qRgb((x * 255 / size.width() + noise) & 0xff, (y * 255 / size.height() + noise) & 0xff,
                           ((x + y) / 20 + noise) & 0xff);
        }
    }
    return photo;
}

} // namespace

BenchWindow::BenchWindow(double timeScale, QSize paperMm)
    : m_timeScale(timeScale)
    , m_paperMm(paperMm)
{
    QDir::setCurrent(m_folder.path());
    SetPauseScale(timeScale);
}

BenchWindow::~BenchWindow()
{
    QDir::setCurrent(QDir::rootPath());
}

bool BenchWindow::Open()
{
    if (!m_cups.Start())
        return false;
    m_cups.UseInThisProcess();
    if (!m_cups.AddQueue(QStringLiteral("Photo-A")) || !m_cups.AddQueue(QStringLiteral("Photo-B")))
        return false;
    WriteSettings(m_paperMm);

    m_window = std::make_unique<CVelloraDlg>([] {});
    m_window->show();
    const int interval = static_cast<int>(1000 * m_timeScale);
    for (QTimer *timer : m_window->findChildren<QTimer *>()) {
        if (timer->interval() == 1000)
            timer->setInterval(std::max(1, interval));
    }
    PrinterListModel &printers = m_window->Printers();
    for (int row = 0; row < 2; ++row) {
        if (!WaitFor([&] { return !printers.Text(row, PrinterListModel::PaperColumn).isEmpty(); }, 30000))
            return false;
        m_window->Registry().OnClicked(row, PrinterListModel::NameColumn);
    }
    if (!WaitFor([] { return PrintedListReady.load(); }, 30000))
        return false;
    m_window->PrintManagerPage().StartButton()->click();
    return AutoPrintRunning;
}

void BenchWindow::StagePhotos(int count, QSize size)
{
    const QImage base = CameraPhoto(size);
    for (int index = 1; index <= count; ++index) {
        QImage photo = base;
        QPainter painter(&photo);
        painter.setFont(QFont(QStringLiteral("Liberation Sans"), 200));
        painter.drawText(photo.rect(), Qt::AlignCenter, QString::number(index));
        painter.end();
        const QString name = QStringLiteral("IMG_%1.JPG").arg(Key(index));
        photo.save(QStringLiteral("stage/") + name, "JPG", 92);
        m_staged.prepend(name);
    }
}

void BenchWindow::DropStagedPhotos()
{
    for (const QString &name : m_staged)
        QFile::rename(QStringLiteral("stage/") + name, QStringLiteral("in/") + name);
    m_sinceDrop.start();
}

int BenchWindow::ThreadCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

QString BenchWindow::Key(int index)
{
    return QStringLiteral("%1").arg(index, 4, 10, QLatin1Char('0'));
}
