#include "intake/ui/Scene_Print_Manager.h"

#include "desk/ProcessState.h"
#include "desk/ui/BackgroundTask.h"
#include "desk/ui/FileDialogs.h"
#include "desk/ui/Messages.h"
#include "compose/ImageFiles.h"
#include "compose/TemplateForm.h"
#include "compose/TemplateSettings.h"
#include "compose/ui/DlgTemplateSet.h"
#include "compose/ui/PicturePreviewDlg.h"
#include "intake/CombinationReprint.h"
#include "intake/IntakeState.h"
#include "intake/PrintManager.h"
#include "intake/ReprintFeed.h"
#include "intake/ReprintListModel.h"
#include "intake/ReprintRecords.h"
#include "intake/ReprintState.h"
#include "intake/ReprintWorker.h"
#include "intake/SetupGuidance.h"
#include "printing/DailyRecords.h"
#include "settings/SystemSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>

#include <vector>

namespace {

constexpr int kSettingsHeight = 62;
// A preview shows a photo on a screen: it is decoded no finer than this needs.
constexpr QSize PreviewDecodeSize(2000, 2000);
constexpr int kRowHeight = 28;

QFont ListFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(15);
    return font;
}

int RowAt(QTableView *view, QPoint viewportPos)
{
    return view->indexAt(viewportPos).row();
}

// Numbers printed on the photos: the name field takes a picture number.
bool ByNumber()
{
    return CurrentTemplateSettings.Get().PrintPictureIdentification == 1;
}

constexpr int PrintedNameColumn = 2;

} // namespace

Scene_Print_Manager::Scene_Print_Manager(QWidget *parent)
    : QWidget(parent)
    , m_manager(new PrintManager(this))
{
    setObjectName(QStringLiteral("Scene_Print_Manager"));
    askSourceFolder = [this] { return AskFolder(this, QStringLiteral("请选择一个文件夹：")); };
    askFrameFile = [this] { return AskOpenFile(this, QStringLiteral("选择相框文件"), QString(), ImageFileFilter()); };

    CreateSettingsRow();
    CreateLists();
    CreateReprintRow();
    CreateReprintDesk();
    CreateReprintFeeds();
    // Before the fields load: what the files held outside its range is said in the hint line.
    connect(m_manager, &PrintManager::HintChanged, this, &Scene_Print_Manager::SetHint);
    LoadFields();

    connect(m_manager, &PrintManager::StartCheckedChanged, this, [this](bool startChecked) {
        (startChecked ? m_start : m_pause)->setChecked(true);
    });

    m_pageTimer = new QTimer(this);
    connect(m_pageTimer, &QTimer::timeout, m_manager, &PrintManager::Tick);
    m_pageTimer->start(1000);
    m_pause->setChecked(true);
    m_preview = new PicturePreviewDlg(this);
    if (CurrentTemplateSettings.Get().PrintPictureIdentification == 1)
        m_nameLabel->setText(QStringLiteral("编号: "));
    // Sees the lists' mouse events, the fields' focus changes and the page's keys
    // before the widgets do; each event once.
    qApp->installEventFilter(this);
}

Scene_Print_Manager::~Scene_Print_Manager() = default;

void Scene_Print_Manager::CreateSettingsRow()
{
    m_settingsBox = new QGroupBox(QStringLiteral(" [ 基本设置 ] "), this);
    auto label = [this](const QString &text) { return new QLabel(text, m_settingsBox); };
    auto button = [this](const QString &text) {
        auto *created = new QPushButton(text, m_settingsBox);
        created->setAutoDefault(false);
        return created;
    };

    m_sourceFolder = new QLineEdit(m_settingsBox);
    m_sourceFolder->setReadOnly(true);
    m_chooseSource = button(QStringLiteral("选择"));
    m_frameFile = new QLineEdit(m_settingsBox);
    m_frameFile->setReadOnly(true);
    m_chooseFrame = button(QStringLiteral("选择"));
    m_templateSettings = button(QStringLiteral("设置"));
    m_paperWidth = new QLineEdit(m_settingsBox);
    m_paperHeight = new QLineEdit(m_settingsBox);
    m_quality = new QLineEdit(m_settingsBox);
    m_start = new QRadioButton(QStringLiteral("开始"), m_settingsBox);
    m_pause = new QRadioButton(QStringLiteral("暂停"), m_settingsBox);

    // Names for tests that find the fields on the screen.
    m_sourceFolder->setObjectName(QStringLiteral("sourceFolder"));
    m_chooseSource->setObjectName(QStringLiteral("chooseSource"));
    m_frameFile->setObjectName(QStringLiteral("frameFile"));
    m_chooseFrame->setObjectName(QStringLiteral("chooseFrame"));
    m_paperWidth->setObjectName(QStringLiteral("paperWidth"));
    m_paperHeight->setObjectName(QStringLiteral("paperHeight"));
    m_start->setObjectName(QStringLiteral("start"));
    m_pause->setObjectName(QStringLiteral("pause"));

    // One row, left to right, as the operator reads it.
    struct Placed
    {
        QWidget *widget;
        int width;
    };
    const Placed row[] = {
        {label(QStringLiteral("数据源目录：")), 80}, {m_sourceFolder, 200}, {m_chooseSource, 50},
        {label(QStringLiteral("相框文件：")), 70},   {m_frameFile, 200},    {m_chooseFrame, 50},
        {m_templateSettings, 50},                   {label(QStringLiteral("打印纸宽：")), 70},
        {m_paperWidth, 45},                         {label(QStringLiteral("高：")), 25},
        {m_paperHeight, 45},                        {label(QStringLiteral("mm")), 25},
        {label(QStringLiteral("质量：")), 45},       {m_quality, 40},
        {label(QStringLiteral("自动打印：")), 70},   {m_start, 55},         {m_pause, 55},
    };
    int x = 10;
    for (const Placed &placed : row) {
        placed.widget->setGeometry(x, 24, placed.width, 26);
        x += placed.width + 6;
    }

    connect(m_chooseSource, &QPushButton::clicked, this, &Scene_Print_Manager::OnChooseSourceFolder);
    connect(m_chooseFrame, &QPushButton::clicked, this, &Scene_Print_Manager::OnChooseFrameFile);
    connect(m_templateSettings, &QPushButton::clicked, this, &Scene_Print_Manager::OnOpenTemplateSettings);
    auto paperEdited = [this] { m_manager->EditPaperSize(m_paperWidth->text(), m_paperHeight->text()); };
    connect(m_paperWidth, &QLineEdit::textEdited, this, paperEdited);
    connect(m_paperHeight, &QLineEdit::textEdited, this, paperEdited);
    // The fields show the values used once they are left, a refused one put back.
    auto paperCommitted = [this] {
        m_manager->CommitPaperSize();
        m_paperWidth->setText(m_manager->PaperWidthText());
        m_paperHeight->setText(m_manager->PaperHeightText());
    };
    connect(m_paperWidth, &QLineEdit::editingFinished, this, paperCommitted);
    connect(m_paperHeight, &QLineEdit::editingFinished, this, paperCommitted);
    connect(m_quality, &QLineEdit::editingFinished, this,
            [this] { m_quality->setText(QString::number(m_manager->CommitQuality(m_quality->text()))); });
    for (QLineEdit *paper : {m_paperWidth, m_paperHeight})
        connect(paper, &QLineEdit::editingFinished, this, &Scene_Print_Manager::RefreshSetupGuidance);
    connect(m_start, &QRadioButton::clicked, this, &Scene_Print_Manager::OnStart);
    connect(m_pause, &QRadioButton::clicked, m_manager, &PrintManager::Pause);
}

QTableView *Scene_Print_Manager::CreateList(QAbstractItemModel *model)
{
    auto *view = new QTableView(this);
    view->setModel(model);
    view->setFont(ListFont());
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(true);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // A long path keeps its file name in view.
    view->setTextElideMode(Qt::ElideMiddle);
    return view;
}

void Scene_Print_Manager::CreateLists()
{
    PhotoQueue &queue = m_manager->Queue();
    m_pendingList = CreateList(&queue.Pending());
    m_printedList = CreateList(&queue.Printed());
    // Lives until the program ends: the reprint threads hold on to it.
    m_reprints = new ReprintListModel(this);
    m_reprintList = CreateList(m_reprints);
    m_pendingList->setObjectName(QStringLiteral("pendingList"));
    m_printedList->setObjectName(QStringLiteral("printedList"));
    m_reprintList->setObjectName(QStringLiteral("reprintList"));
    const int rowHeight = queue.Pending().ThumbnailSize().height() + 4;
    m_pendingList->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_printedList->verticalHeader()->setDefaultSectionSize(rowHeight);
}

void Scene_Print_Manager::CreateReprintRow()
{
    m_nameLabel = new QLabel(QStringLiteral("名称 :"), this);
    m_nameLabel->setFont(ListFont());
    m_name = new QLineEdit(this);
    m_countLabel = new QLabel(QStringLiteral("数量 :"), this);
    m_countLabel->setFont(ListFont());
    m_count = new QLineEdit(QStringLiteral("1"), this);
    m_count->setObjectName(QStringLiteral("reprintCount"));
    m_count->setValidator(new QIntValidator(0, 99999, m_count));
    m_reprint = new QPushButton(QStringLiteral("补打"), this);
    m_priorityReprint = new QPushButton(QStringLiteral("优先补打"), this);
    // Enter belongs to the page, which paces it; it never clicks a button.
    m_reprint->setAutoDefault(false);
    m_priorityReprint->setAutoDefault(false);
    m_hint = new QLabel(ReprintText::FirstHowTo, this);
    m_hint->setObjectName(QStringLiteral("hint"));
    m_autoReprint = new QCheckBox(QStringLiteral("自动补打"), this);
    m_phoneReprint = new QCheckBox(QStringLiteral("手机端补打"), this);

    m_quantityEditor = new QLineEdit(m_reprintList->viewport());
    m_quantityEditor->setObjectName(QStringLiteral("QuantityEditor"));
    m_quantityEditor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_quantityEditor->setFont(ListFont());
    m_quantityEditor->hide();
}

void Scene_Print_Manager::CreateReprintDesk()
{
    PhotoListModel &printed = m_manager->Queue().Printed();
    const ShowHint hint = [this](const QString &text) { ShowHintLater(text); };
    auto searchDone = [this] {
        QMetaObject::invokeMethod(this, [this] {
            m_desk->ClearChoice();
            ShowReprintFields();
        }, Qt::QueuedConnection);
    };
    m_desk = std::make_unique<ReprintDesk>(printed, *m_reprints, ReprintDesk::Ui{
        hint,
        [this](const QString &message) { ShowNotice(this, message); },
        [this] { m_manager->PrepareThreadSlots(); },
        [this, searchDone](const QString &text, int quantity) {
            m_desk->StartSearch(text, quantity, ByNumber(), searchDone);
        },
    });
    m_worker = std::make_unique<ReprintWorker>(printed, *m_reprints);
    m_manager->startReprintWorker = [this] { m_worker->Start(); };
    m_manager->Queue().restoreFromRecords = [this, hint](PhotoListModel &printedList) {
        RestoreFromRecords(printedList, *m_reprints, hint);
    };

    m_enterClock.start();
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &text) { m_desk->NameTyped(text); });
    connect(m_reprint, &QPushButton::clicked, this, [this] { OnReprintClick(ReprintDesk::Kind::Reprint); });
    connect(m_priorityReprint, &QPushButton::clicked, this, [this] { OnReprintClick(ReprintDesk::Kind::Priority); });
}

void Scene_Print_Manager::CreateReprintFeeds()
{
    m_feeds = std::make_unique<ReprintFeeds>(m_manager->Queue().Printed(), *m_reprints, ReprintFeed::Ui{
        [this](const QString &text) { ShowHintLater(text); },
        // Crash recovery starts a feed inside the window's one-second timer: its notice must not wait there.
        [this](const QString &message) { ShowNoticeLater(this, message); },
    });
    m_combinationSession = std::make_unique<CombinationReprintSession>(
        m_manager->Queue().Printed(), *m_reprints, [this](const QString &text) { ShowHintLater(text); });
    m_manager->startCombinationSession = [this] { m_combinationSession->Start(); };
    connect(m_autoReprint, &QCheckBox::clicked, this, [this] { OnFeedClick(m_feeds->Automatic(), m_autoReprint); });
    connect(m_phoneReprint, &QCheckBox::clicked, this, [this] { OnFeedClick(m_feeds->Phone(), m_phoneReprint); });
}

void Scene_Print_Manager::OnFeedClick(ReprintFeed &feed, QCheckBox *box)
{
    // The companions know the program by its main window.
    const bool started = feed.Click(window()->effectiveWinId());
    box->setChecked(started);
}

void Scene_Print_Manager::ResumeAutoReprint()
{
    OnFeedClick(m_feeds->Automatic(), m_autoReprint);
}

void Scene_Print_Manager::ShowHintLater(const QString &hint)
{
    QMetaObject::invokeMethod(this, [this, hint] {
        SetHint(hint);
        if (hint.startsWith(ReprintText::AddedPrefix))
            HintResetPending = true;
    }, Qt::QueuedConnection);
}

void Scene_Print_Manager::SetHint(const QString &hint)
{
    const QString guidance = IsRestingHint(hint) ? CurrentGuidance() : QString();
    m_hint->setText(guidance.isEmpty() ? hint : guidance);
}

QString Scene_Print_Manager::CurrentGuidance() const
{
    return SetupGuidance({.sourceFolder = !m_manager->SourceFolder().isEmpty(),
                          .frameFile = !m_manager->FrameFile().isEmpty(),
                          .paperSize = PaperWidthMm > 0 && PaperHeightMm > 0,
                          .printers = m_printerCount,
                          .printerChosen = !NoPrinterChosen,
                          .printing = AutoPrintRunning});
}

void Scene_Print_Manager::UpdateSetupGuidance(int printers)
{
    m_printerCount = printers;
    RefreshSetupGuidance();
}

void Scene_Print_Manager::RefreshSetupGuidance()
{
    if (!IsRestingHint(m_hint->text()))
        return;
    const QString guidance = CurrentGuidance();
    if (!guidance.isEmpty())
        m_hint->setText(guidance);
    else if (m_hint->text() != ReprintText::FirstHowTo && m_hint->text() != ReprintText::ReprintHowTo)
        m_hint->setText(ReprintText::ReprintHowTo); // set up: the reprint hint returns
}

void Scene_Print_Manager::ShowReprintFields()
{
    m_name->setText(m_desk->NameField());
    m_count->setText(m_desk->QuantityField());
}

void Scene_Print_Manager::OnReprintClick(ReprintDesk::Kind kind)
{
    m_printedList->setFocus();
    m_desk->Click(kind, m_name->text(), m_count->text());
    ShowReprintFields();
}

void Scene_Print_Manager::OnEnterReleased()
{
    switch (m_enterGate.Released(m_enterClock.elapsed(), m_name->text().isEmpty())) {
    case EnterGate::Action::TooFast:
        m_hint->setText(ReprintText::TooFast);
        m_name->setFocus();
        break;
    case EnterGate::Action::Reprint:
        OnReprintClick(ReprintDesk::Kind::Reprint);
        break;
    case EnterGate::Action::Nothing:
        break;
    }
}

void Scene_Print_Manager::OnPrintedClick(QPoint at)
{
    const int row = RowAt(m_printedList, at);
    m_desk->ChooseRow(row, ByNumber());
    ShowReprintFields();
    if (m_desk->Chosen().IsChosen())
        m_count->setFocus();
}

void Scene_Print_Manager::OnPrintedDoubleClick(QPoint at)
{
    const QModelIndex index = m_printedList->indexAt(at);
    if (index.isValid() && index.column() != PrintedNameColumn)
        return;
    m_desk->ClearChoice();
    ShowReprintFields();
}

void Scene_Print_Manager::OnReprintListDoubleClick(QPoint at, Qt::MouseButton button)
{
    const QModelIndex index = m_reprintList->indexAt(at);
    if (!index.isValid() || RefusedWhileRestoring())
        return;
    if (button == Qt::RightButton) {
        DeleteReprintRow(*m_reprints, index.row(), index.column());
        return;
    }
    if (!AutoPrintRunning) {
        MoveReprintRowToTop(*m_reprints, index.row(), index.column());
        return;
    }
    // The dispatcher may take its time; a second double click meanwhile is ignored.
    if (m_standbyPrinting)
        return;
    m_standbyPrinting = true;
    PrintReprintRowOnStandby(*m_reprints, index.row());
    m_standbyPrinting = false;
}

void Scene_Print_Manager::OnReprintListRightClick(QPoint at)
{
    const QModelIndex index = m_reprintList->indexAt(at);
    if (index.isValid() && RefusedWhileRestoring())
        return;
    if (!m_editor.Open(*m_reprints, index.row(), index.column(), m_quantityEditor->text()))
        return;
    m_quantityEditor->setGeometry(m_reprintList->visualRect(index).adjusted(1, 1, -1, -1));
    m_quantityEditor->clear();
    m_quantityEditor->show();
    m_quantityEditor->setFocus();
}

bool Scene_Print_Manager::RefusedWhileRestoring()
{
    if (PrintedListReady)
        return false;
    m_hint->setText(ReprintText::ListsRestoring);
    return true;
}

void Scene_Print_Manager::CloseQuantityEditor()
{
    if (m_editor.IsOpen())
        m_editor.Close(*m_reprints, m_quantityEditor->text());
    m_quantityEditor->hide();
}

void Scene_Print_Manager::LoadFields()
{
    m_manager->Load();
    m_sourceFolder->setText(m_manager->SourceFolder());
    m_frameFile->setText(m_manager->FrameFile());
    m_paperWidth->setText(m_manager->PaperWidthText());
    m_paperHeight->setText(m_manager->PaperHeightText());
    m_quality->setText(QString::number(SystemSettings::PictureQuality()));
}

void Scene_Print_Manager::UncheckReprintBoxes()
{
    m_autoReprint->setChecked(false);
    m_phoneReprint->setChecked(false);
}

void Scene_Print_Manager::OnChooseSourceFolder()
{
    const QString folder = askSourceFolder();
    if (folder.isEmpty())
        return;
    if (!m_manager->ChooseSourceFolder(folder)) {
        ShowNotice(this, QStringLiteral("不能选择软件内部目录，请重新选择。"));
        return;
    }
    m_sourceFolder->setText(folder);
    RefreshSetupGuidance();
}

void Scene_Print_Manager::OnChooseFrameFile()
{
    const QString file = askFrameFile();
    if (file.isEmpty())
        return;
    m_manager->ChooseFrameFile(file);
    m_frameFile->setText(file);
    RefreshSetupGuidance();
}

void Scene_Print_Manager::OnOpenTemplateSettings()
{
    if (m_manager->SourceFolder().isEmpty() || m_manager->FrameFile().isEmpty())
        return;
    m_manager->CommitPaperSize();
    DlgTemplateSet dialog(m_manager->FrameFile().toStdString(), m_manager->SourceFolder().toStdString(),
                          PaperWidthMm, PaperHeightMm, this);
    connect(&dialog, &DlgTemplateSet::LabelKindSaved, this,
            [this](int labelKind) { m_nameLabel->setText(LabelKindCaption(labelKind)); });
    dialog.exec();
}

void Scene_Print_Manager::OnStart()
{
    if (m_manager->Start() == PrintManager::StartResult::ListsRestoring)
        ShowNotice(this, QStringLiteral("系统正在恢复文件信息列表，请稍候..."));
    RefreshSetupGuidance();
}

void Scene_Print_Manager::OnPendingDoubleClick(int row, Qt::MouseButton button)
{
    PhotoQueue &queue = m_manager->Queue();
    if (button == Qt::RightButton) {
        queue.TakeOut(row);
        return;
    }
    if (queue.PrintNow(row, !AutoPrintRunning) == PhotoQueue::PrintNowResult::PrintersBusy)
        ShowNotice(this, QStringLiteral("打印机繁忙,请稍后再试"));
}

void Scene_Print_Manager::OnPrintedRightClick(int row)
{
    const QString path = m_manager->Queue().Printed().Text(row, 3);
    if (path.isEmpty())
        return;
    // Decoded off the user-interface thread; the window shows it when it is ready.
    RunInBackground(
        this, [path] { return LoadPhoto(path.toStdString(), PreviewDecodeSize); },
        [this, path](const QImage &photo) { m_preview->ShowPicture(photo, path); });
}

void Scene_Print_Manager::SaveScreenCapture()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // A bitmap file under a ".jpg" name, where the operators look for it.
    screen->grabWindow(0).save(
        QStringLiteral("Config/LOG/") + TodayStamp() + QStringLiteral(".jpg"),
        "BMP");
}

bool Scene_Print_Manager::HandleListMouse(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint at = mouse->position().toPoint();
    const Qt::MouseButton button = mouse->button();
    if (watched == m_pendingList->viewport()) {
        if (type == QEvent::MouseButtonDblClick)
            OnPendingDoubleClick(RowAt(m_pendingList, at), button);
    } else if (watched == m_printedList->viewport()) {
        if (type == QEvent::MouseButtonPress && button == Qt::RightButton)
            OnPrintedRightClick(RowAt(m_printedList, at));
        else if (type == QEvent::MouseButtonPress && button == Qt::LeftButton)
            m_printedDoubleClicked = false;
        else if (type == QEvent::MouseButtonDblClick && button == Qt::LeftButton) {
            m_printedDoubleClicked = true;
            OnPrintedDoubleClick(at);
        } else if (type == QEvent::MouseButtonRelease && button == Qt::LeftButton) {
            if (!std::exchange(m_printedDoubleClicked, false))
                OnPrintedClick(at);
        }
    } else if (watched == m_reprintList->viewport()) {
        if (type == QEvent::MouseButtonDblClick)
            OnReprintListDoubleClick(at, button);
        else if (type == QEvent::MouseButtonPress && button == Qt::RightButton) {
            OnReprintListRightClick(at);
            // The list would take the focus from the editor just opened.
            return m_editor.IsOpen();
        } else if (type == QEvent::MouseButtonPress)
            CloseQuantityEditor();
    } else if (watched == m_reprint && type == QEvent::MouseButtonDblClick) {
        ShowNotice(this, ReprintText::ClickOnce);
        return true;
    }
    return false;
}

bool Scene_Print_Manager::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        return HandleListMouse(watched, event);
    case QEvent::FocusIn:
        if (watched == m_count) {
            m_count->clear();
            CountEditActive = true;
        }
        break;
    case QEvent::FocusOut:
        if (watched == m_count)
            CountEditActive = false;
        else if (watched == m_quantityEditor)
            CloseQuantityEditor();
        break;
    default:
        break;
    }
    // The page's keys are seen before the focused control, while the page is shown.
    if (event->type() == QEvent::KeyPress && isVisible() && isAncestorOf(qobject_cast<QWidget *>(watched))
        && watched == QApplication::focusWidget()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_F4)
            m_manager->ToggleManualMode();
        else if (key == Qt::Key_F11)
            SaveScreenCapture();
    }
    if (event->type() == QEvent::KeyRelease && isVisible() && watched == QApplication::focusWidget()
        && isAncestorOf(qobject_cast<QWidget *>(watched)) && !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Space && watched != m_quantityEditor)
            m_name->setFocus();
        else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && watched == m_quantityEditor)
            m_reprintList->setFocus(); // ends the edit
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            OnEnterReleased();
    }
    return QWidget::eventFilter(watched, event);
}

void Scene_Print_Manager::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void Scene_Print_Manager::LayOut()
{
    const int width = this->width();
    const int height = this->height();
    m_settingsBox->setGeometry(0, 0, width, kSettingsHeight);

    const int top = kSettingsHeight + 4;
    const int leftWidth = static_cast<int>(width / 2.5);
    int pendingHeight = static_cast<int>(height * 0.7) - 30;
    if (height - 199 - (top + pendingHeight) < 60)
        pendingHeight = height / 2;
    m_pendingList->setGeometry(0, top, leftWidth, pendingHeight);
    // The lists reach down to the page's foot: no band stays empty under them.
    m_reprintList->setGeometry(0, top + pendingHeight + 4, leftWidth, std::max(40, height - 4 - (top + pendingHeight + 4)));

    const int right = leftWidth + 4;
    const int rightWidth = width - right;
    // Under the printed list only the reprint fields and the hint line.
    const int printedBottom = height - (2 * kRowHeight + 30);
    m_printedList->setGeometry(right, top, rightWidth, std::max(60, printedBottom - top));

    // The reprint fields in one row under the printed list, the check boxes at its right end.
    int x = right;
    const int y = std::max(top + 60, printedBottom) + 10;
    for (auto [widget, w] : {std::pair<QWidget *, int>{m_nameLabel, 70}, {m_name, 140}, {m_countLabel, 70},
                             {m_count, 60}, {m_reprint, 70}, {m_priorityReprint, 90}}) {
        widget->setGeometry(x, y, w, kRowHeight);
        x += w + 8;
    }
    m_phoneReprint->setGeometry(width - 110, y, 105, kRowHeight);
    m_autoReprint->setGeometry(width - 200, y, 85, kRowHeight);
    m_hint->setGeometry(right, y + kRowHeight + 8, rightWidth, kRowHeight);

    // The thumbnail column is a thumbnail wide, yet never narrower than its
    // header's text; the other columns share the rest by their weights. The
    // room a vertical scroll bar takes is kept free, so the columns never
    // need a horizontal one.
    const auto spread = [](QTableView *view, int firstWidth, const std::vector<int> &weights) {
        const int columns = view->model()->columnCount();
        const int first = std::max(firstWidth, view->horizontalHeader()->sectionSizeHint(0));
        const int room = view->width() - 2 * view->frameWidth() - view->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
            - first;
        int total = 0;
        for (int column = 1; column < columns; ++column)
            total += weights.at(column - 1);
        view->setColumnWidth(0, first);
        for (int column = 1; column < columns; ++column)
            view->setColumnWidth(column, std::max(view->horizontalHeader()->sectionSizeHint(column),
                                                  room * weights.at(column - 1) / total));
    };
    const int thumbnailWidth = m_manager->Queue().Pending().ThumbnailSize().width() + 5;
    spread(m_pendingList, thumbnailWidth, {1, 1});
    spread(m_printedList, thumbnailWidth, {1, 1, 1, 1});
    // The reprint list: its ID and quantity are short, the path is long.
    spread(m_reprintList, 0, {2, 4, 1});
}
