#include "faces/ui/FacesWindow.h"

#include "faces/FaceWatch.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

using namespace std::chrono_literals;

namespace {

constexpr auto PassInterval = 1000ms;
constexpr int RefreshMs = 500;
const QString FolderKey = QStringLiteral("programFolder");

QSettings ToolSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vellora"),
                     QStringLiteral("vellora-faces"));
}

QString PathText(const std::filesystem::path &path)
{
    return path.empty() ? QStringLiteral("（未设置）") : QDir::toNativeSeparators(QString::fromStdString(path.string()));
}

} // namespace

QString FacesWindow::Title()
{
    return QStringLiteral("Vellora - JPG照片中人的数量  Powered By OpenCV");
}

QString RememberedProgramFolder()
{
    return ToolSettings().value(FolderKey).toString();
}

FacesWindow::FacesWindow(const QString &programFolder, QWidget *parent)
    : QWidget(parent)
    , m_program(new QLabel(this))
    , m_printed(new QLabel(this))
    , m_info(new QLabel(this))
    , m_problem(new QLabel(this))
    , m_written(new QLabel(this))
    , m_desk(new QLabel(this))
    , m_latest(new QListWidget(this))
    , m_refresh(new QTimer(this))
{
    setWindowTitle(Title());
    auto *grid = new QGridLayout;
    const auto addRow = [grid](int row, const QString &caption, QLabel *value) {
        grid->addWidget(new QLabel(caption), row, 0, Qt::AlignTop);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setWordWrap(true);
        grid->addWidget(value, row, 1);
    };
    addRow(0, QStringLiteral("程序目录："), m_program);
    addRow(1, QStringLiteral("监视的已打印照片："), m_printed);
    addRow(2, QStringLiteral("信息文件目录："), m_info);
    addRow(3, QStringLiteral("打印程序消息："), m_desk);
    grid->setColumnStretch(1, 1);

    auto *choose = new QPushButton(QStringLiteral("选择程序目录…"), this);
    connect(choose, &QPushButton::clicked, this, &FacesWindow::ChooseFolder);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold;"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(choose, 0, Qt::AlignLeft);
    layout->addWidget(m_problem);
    layout->addWidget(new QLabel(QStringLiteral("最近数过的照片（人数）：")));
    layout->addWidget(m_latest, 1);
    layout->addWidget(m_written);
    resize(520, 460);

    connect(m_refresh, &QTimer::timeout, this, &FacesWindow::ShowStatus);
    m_refresh->start(RefreshMs);
    Watch(programFolder);
}

FacesWindow::~FacesWindow() = default;

void FacesWindow::DeskMessage()
{
    if (m_watch)
        m_watch->NoteDeskMessage();
    ShowStatus();
}

void FacesWindow::ChooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("请选择打印程序运行的目录"), m_programFolder);
    if (folder.isEmpty())
        return;
    ToolSettings().setValue(FolderKey, folder);
    Watch(folder);
}

void FacesWindow::Watch(const QString &programFolder)
{
    m_watch.reset(); // the old folder's passes end first
    m_programFolder = programFolder;
    if (!programFolder.isEmpty()) {
        m_watch = std::make_unique<FaceWatch>(programFolder.toStdString(), PassInterval);
        m_watch->Start();
    }
    ShowStatus();
}

void FacesWindow::ShowStatus()
{
    const WatchStatus status = m_watch ? m_watch->Status() : WatchStatus{};
    m_program->setText(PathText(status.folders.program));
    m_printed->setText(PathText(status.folders.printed));
    m_info->setText(PathText(status.folders.infoFolder));
    m_desk->setText(status.deskMessageAt.isNull()
                        ? QStringLiteral("还没有收到")
                        : QStringLiteral("%1 收到（自动补打已开始，立即查看新照片）")
                              .arg(status.deskMessageAt.toString(QStringLiteral("HH:mm:ss"))));
    const QString problem = m_watch ? status.problem
                                    : QStringLiteral("未选择程序目录：请点“选择程序目录…”，选打印程序运行的目录。");
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    QStringList rows;
    for (const CountedPhoto &photo : status.latest)
        rows << QStringLiteral("%1    %2 人    %3")
                    .arg(photo.key.name)
                    .arg(photo.people)
                    .arg(photo.countedAt.toString(QStringLiteral("HH:mm:ss")));
    if (rows.size() != m_latest->count() || (m_latest->count() > 0 && m_latest->item(0)->text() != rows.value(0))) {
        m_latest->clear();
        m_latest->addItems(rows);
    }
    m_written->setText(QStringLiteral("今天已写信息文件：%1 个").arg(status.writtenToday));
}
