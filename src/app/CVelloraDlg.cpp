#include "app/CVelloraDlg.h"

#include "desk/CrashRecovery.h"
#include "desk/Locks.h"
#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/ShutdownMarker.h"
#include "desk/StatusLine.h"
#include "desk/WorkingFolders.h"
#include "desk/ui/Messages.h"
#include "app/CAboutDlg.h"
#include "app/ProcessExit.h"
#include "app/ProgramIcon.h"
#include "intake/PrintManager.h"
#include "intake/SetupGuidance.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "photography/CombinationSettings.h"
#include "photography/ui/CombinationStep.h"
#include "photography/ui/Take_Pictures.h"
#include "platform/CupsSpooler.h"
#include "platform/Profile.h"
#include "platform/ScreenSaver.h"
#include "printing/PrintJob.h"
#include "printing/PrinterRegistry.h"
#include "printing/ui/PrinterListBinding.h"
#include "settings/ReprintRules.h"
#include "settings/SystemSettings.h"
#include "settings/ui/DLG_Help.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {

constexpr int kTabWidth = 130;
constexpr int kTabHeight = 30;
constexpr int kListHeight = 137;
constexpr int kListOffsetFromBottom = 158;
constexpr int kTabsBottomMargin = 160;
constexpr int kStatusBarHeight = 21;
constexpr int kMinimumTabsSize = 200;

enum Tab { PrintManagerTab, SettingsTab, PhotographyTab };

} // namespace

CVelloraDlg::CVelloraDlg(EndProcess endProcess, QWidget *parent)
    : QDialog(parent)
    , m_endProcess(endProcess ? std::move(endProcess) : EndProcess(EndProcessNow))
    , m_printers(new PrinterListModel(this))
    , m_screenSaver(std::make_unique<ScreenSaver>())
    , m_spooler(std::make_shared<CupsSpooler>())
    , m_registry(std::make_unique<PrinterRegistry>(*m_spooler, *m_printers))
{
    SetPrintSpooler(m_spooler);
    setWindowTitle(QStringLiteral("Vellora"));
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    // Without a window manager nothing maximises the window: it then covers the screen itself.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);

    // The folders come first: what the settings files hold out of range is said in the run log.
    CreateWorkingFolders();
    LoadSettings();
    CreateControls();
    StartTimers();
    CreateStatusBar();
    m_recoveryPending = OpenShutdownMarker();
    qApp->installEventFilter(this);
}

CVelloraDlg::~CVelloraDlg() = default;

const QString &CVelloraDlg::NoPrinterHint()
{
    return NoPrinterGuidance();
}

void CVelloraDlg::CreateControls()
{
    CreateTabs();
    CreatePrinterList();
    new PrinterListBinding(*m_printerList, *m_registry);
    connect(m_registry.get(), &PrinterRegistry::ResumeRefused, this, [this](const QString &message) { ShowNotice(this, message); });
    connect(m_registry.get(), &PrinterRegistry::RunningLow, m_printManager->Hint(), &QLabel::setText);
    // Until the event is set up, the hint line says what is still missing.
    connect(m_registry.get(), &PrinterRegistry::Enumerated, this, &CVelloraDlg::UpdateSetupGuidance);
    m_registry->Enumerate();
}

void CVelloraDlg::LoadSettings()
{
    // The settings every page and worker reads are loaded once, before any page exists.
    SystemSettings::Load();
    LoadReprintRules();
}

void CVelloraDlg::CreateTabs()
{
    m_tabs = new QTabWidget(this);
    m_tabs->tabBar()->setExpanding(false);
    m_tabs->setStyleSheet(
        QStringLiteral("QTabBar::tab { width: %1px; height: %2px; }").arg(kTabWidth).arg(kTabHeight));
    m_printManager = new Scene_Print_Manager;
    m_tabs->addTab(m_printManager, QStringLiteral("现场打印"));
    m_tabs->addTab(new DLG_Help, QStringLiteral("系统设置"));
    m_photography = new Take_Pictures;
    m_tabs->addTab(m_photography, QStringLiteral("互动拍照"));
    m_photography->setCombinationStep(CombinationStepFor(m_printManager->Manager().Queue()));

    auto *about = new QPushButton(QStringLiteral("关于 Vellora(&A)..."), m_tabs);
    about->setFlat(true);
    about->setAutoDefault(false);
    connect(about, &QPushButton::clicked, this, &CVelloraDlg::ShowAbout);
    m_tabs->setCornerWidget(about, Qt::TopRightCorner);

    m_tabs->setCurrentIndex(PrintManagerTab);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CVelloraDlg::OnTabChanged);
}

void CVelloraDlg::CreatePrinterList()
{
    m_printerList = new QTableView(this);
    m_printerList->setObjectName(QStringLiteral("printerList"));
    m_printerList->setModel(m_printers);
    m_printerList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_printerList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_printerList->setShowGrid(true);
    m_printerList->verticalHeader()->hide();
    m_printerList->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_printerList->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_printerList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Until the first resize lays the window out, each column takes a sixth of the page width.
    const int pageWidth = m_tabs->width() - 4;
    for (int column = 0; column < PrinterListModel::ColumnCount; ++column)
        m_printerList->setColumnWidth(column, pageWidth / PrinterListModel::ColumnCount);
}

void CVelloraDlg::StartTimers()
{
    m_timer1 = new QTimer(this);
    connect(m_timer1, &QTimer::timeout, this, &CVelloraDlg::OnTimer1);
    m_timer1->start(1000);

    m_timer2 = new QTimer(this);
    connect(m_timer2, &QTimer::timeout, this, [this] { repaint(); });
    m_timer2->start(2000);
}

void CVelloraDlg::CreateStatusBar()
{
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
}

void CVelloraDlg::OnTimer1()
{
    m_registry->OnTimerTick();
    if (RecoveryDue(m_recoveryPending, m_tickCount)) {
        PrintManager &manager = m_printManager->Manager();
        const RecoveryHooks hooks{[&manager] { manager.ShowStarted(); }, [&manager] { manager.ResumeAutoPrint(); },
                                  [this] { m_printManager->ResumeAutoReprint(); }};
        // Cleared first: a message box recovery opens runs this timer again meanwhile.
        m_recoveryPending = false;
        m_recoveryPending = !RecoverAfterCrash(*m_printers, hooks);
    }
    UpdateStatusLine();
    UpdateSetupGuidance();
    ++m_tickCount;
}

void CVelloraDlg::UpdateSetupGuidance()
{
    m_printManager->UpdateSetupGuidance(m_registry->ListReady() ? m_printers->RowCount() : -1);
}

void CVelloraDlg::UpdateStatusLine()
{
    StatusSnapshot status = TakeStatusSnapshot();
    for (int row = 0; row < m_printers->RowCount(); ++row)
        status.printerDocuments << m_printers->Text(row, PrinterListModel::FileColumn);
    m_statusBar->showMessage(BuildStatusLine(status));
}

void CVelloraDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    LayOut();
}

void CVelloraDlg::LayOut()
{
    const QRect client = rect();
    const int left = client.left();
    const int top = client.top();
    const int right = client.left() + client.width();
    const int bottom = client.top() + client.height();
    // The photography page draws its template previews again at the new size.
    CombinationPreviewsDrawn = false;

    // A tab area smaller than 200 pixels either way stays where it was.
    const int tabsWidth = right - left - 3;
    const int tabsHeight = (bottom - kTabsBottomMargin) - (top + 1);
    if (tabsWidth >= kMinimumTabsSize && tabsHeight >= kMinimumTabsSize)
        m_tabs->setGeometry(left + 2, top + 1, tabsWidth, tabsHeight);

    m_printerList->setGeometry(left + 2, bottom - kListOffsetFromBottom, right - left - 3, kListHeight);
    m_statusBar->setGeometry(left, bottom - kStatusBarHeight, right - left, kStatusBarHeight);

    // Column widths follow the list's width, never the texts they hold.
    m_printerList->setUpdatesEnabled(false);
    const int columnWidth = static_cast<int16_t>((right - left - 3) / PrinterListModel::ColumnCount - 3);
    for (int column = 0; column < PrinterListModel::ColumnCount; ++column)
        m_printerList->setColumnWidth(column, columnWidth);
    m_printerList->setUpdatesEnabled(true);
}

void CVelloraDlg::OnTabChanged(int index)
{
    switch (index) {
    case PrintManagerTab:
    case SettingsTab:
        CaptureOnTop = false;
        m_screenSaver->Allow();
        break;
    case PhotographyTab:
        CaptureOnTop = Profile::Read("Config/SystemSeting.ini", QStringLiteral("CombinationTakePicturesSetting"),
                                     QStringLiteral("Set_Capture_On_Top"), QStringLiteral("0"))
            != QStringLiteral("0");
        CombinationPreviewsDrawn = false;
        m_screenSaver->Forbid();
        break;
    default:
        break;
    }
}

bool CVelloraDlg::eventFilter(QObject *watched, QEvent *event)
{
    // F5 is seen before the focused control gets it, and then goes on to it.
    // An unhandled key climbs to the parents; only its first delivery counts.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F5) {
        QWidget *first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (watched == first && (first == this || isAncestorOf(first)))
            OnRefreshKey();
    }
    return QDialog::eventFilter(watched, event);
}

void CVelloraDlg::OnRefreshKey()
{
    m_registry->OnRefreshKey();
}

void CVelloraDlg::closeEvent(QCloseEvent *event)
{
    // Nothing dispatches or refreshes while the question is open.
    DispatchBusy = true;
    CloseQuestionOpen = true;
    const bool quit = AskToQuit();
    CloseQuestionOpen = false;
    if (!quit) {
        DispatchBusy = false;
        event->ignore();
        return;
    }
    event->accept();
    ExitInOrder();
}

bool CVelloraDlg::AskToQuit()
{
    // The operator decides knowing what would be left unprinted.
    const int pending = m_printManager->PendingList()->model()->rowCount();
    const int reprints = ReprintTotalCount.load();
    QString question = QStringLiteral("确定要退出吗？");
    if (pending > 0)
        question += QStringLiteral("\n还有 %1 张照片等待打印。").arg(pending);
    if (reprints > 0)
        question += QStringLiteral("\n还有 %1 张补打等待打印。").arg(reprints);
    return AskYesNo(this, question);
}

void CVelloraDlg::ExitInOrder()
{
    m_printManager->UncheckReprintBoxes();
    AutoPrintRunning = false;
    RecordModesStopped();

    // A refresh or dispatch still running keeps its hands on the table; the
    // process ends in a moment anyway, so never wait for it here.
    if (printer_table_cs.try_lock()) {
        PrinterTable.clear();
        printer_table_cs.unlock();
    }

    CloseShutdownMarker();
    // Workers are not waited for: the process ends now, before any
    // destructor could run under a live thread.
    m_endProcess();
}

void CVelloraDlg::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}
