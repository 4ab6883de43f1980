#include "intake/PrintManager.h"

#include "desk/Locks.h"
#include "desk/PrintThreadSlots.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/SysValues.h"
#include "compose/PictureNumber.h"
#include "compose/TemplateSettings.h"
#include "intake/HandOverRecovery.h"
#include "intake/IntakeState.h"
#include "intake/PaperSettingsFile.h"
#include "intake/ReprintState.h"
#include "intake/SourceFolderScan.h"
#include "intake/Thumbnail.h"
#include "platform/DecimalText.h"
#include "platform/Pause.h"
#include "platform/Profile.h"
#include "settings/ReprintRules.h"
#include "settings/SettingCheck.h"
#include "settings/SystemSettings.h"

using namespace std::chrono_literals;

namespace {

const std::filesystem::path kSysIni = "Config/sys.ini";
const QString kSourceSection = QStringLiteral("Photo_Source_folder");
const QString kFrameSection = QStringLiteral("Photo_Frame_File");

// Paths are read whole: a source folder deep in a share is not cut short.
// (Nothing but this program reads the file, so the whole path is written too.)
QString ReadPath(const QString &section)
{
    return Profile::Read(kSysIni, section, QStringLiteral("Code"), QString(), Profile::WholeValue);
}

// A side of the paper in millimetres when its text is one an event prints on.
std::optional<int> PaperSide(const NumberSetting &setting, const QString &text)
{
    const CheckedNumber checked = CheckNumber(setting, text, std::nullopt);
    return checked.message.isEmpty() ? checked.value : std::nullopt;
}

QSize StartupThumbnailSize()
{
    const std::optional<PaperSizeText> paper = ReadPaperSettings();
    const auto width = paper ? PaperSide(Settings::PaperWidth(), paper->width) : std::nullopt;
    const auto height = paper ? PaperSide(Settings::PaperHeight(), paper->height) : std::nullopt;
    if (!width || !height)
        return ThumbnailSizeFor(0, 0, SystemSettings::ThumbnailSize());
    return ThumbnailSizeFor(*width, *height, SystemSettings::ThumbnailSize());
}

} // namespace

bool IsProgramPhotoFolder(const QString &folder)
{
    static const char *const kInternal[] = {"Pic_P", "Pic_B", "Pic_R", "Pic_S", "Pic_T"};
    return std::any_of(std::begin(kInternal), std::end(kInternal),
                       [&folder](const char *name) { return folder.indexOf(QLatin1String(name)) > 0; });
}

PrintManager::PrintManager(QObject *parent)
    : QObject(parent)
    , m_queue(std::make_unique<PhotoQueue>(StartupThumbnailSize(), this))
{
    connect(m_queue.get(), &PhotoQueue::HintChanged, this, &PrintManager::HintChanged);
    SetUncomposableReport([this](const QString &text) { emit HintChanged(text); });
    m_queue->Road().SetReport([this](const QString &text) { emit HintChanged(text); });
    SetTemplateSettingsReport([this](const QString &text) { Announce(text); });
    SetPictureNumberReport([this](const QString &text) { Announce(text); });
}

PrintManager::~PrintManager()
{
    // The walks start compositions on the queue, whose reports reach this
    // manager: both end while it still stands.
    m_walks.StopAndJoin();
    m_queue.reset();
    SetUncomposableReport({});
    SetTemplateSettingsReport({});
    SetPictureNumberReport({});
}

void PrintManager::Load()
{
    m_sourceFolder = ReadPath(kSourceSection);
    m_frameFile = ReadPath(kFrameSection);
    LoadTemplateSettings();
    if (const std::optional<PaperSizeText> paper = ReadPaperSettings()) {
        m_paperWidth = paper->width;
        m_paperHeight = paper->height;
        CheckPaperSize(std::nullopt, std::nullopt);
    }
    TakePaperSize();
    SetStartChecked(false);
    // Settings the file held outside their ranges, as the start-up took them.
    if (const QStringList messages = SystemSettings::LoadMessages() + ReprintRulesLoadMessages(); !messages.isEmpty())
        emit HintChanged(messages.join(QStringLiteral("；")));
}

bool PrintManager::ChooseSourceFolder(const QString &folder)
{
    if (IsProgramPhotoFolder(folder))
        return false;
    m_sourceFolder = folder;
    Profile::Write(kSysIni, kSourceSection, QStringLiteral("Code"), folder);
    return true;
}

void PrintManager::ChooseFrameFile(const QString &file)
{
    m_frameFile = file;
    Profile::Write(kSysIni, kFrameSection, QStringLiteral("Code"), file);
    NewTemplateChosen = true;
}

void PrintManager::EditPaperSize(const QString &width, const QString &height)
{
    if (width != m_paperWidth || height != m_paperHeight)
        NewTemplateChosen = true;
    m_paperWidth = width;
    m_paperHeight = height;
}

void PrintManager::CommitPaperSize()
{
    const auto inForce = [](int mm) { return mm > 0 ? std::optional<int>(mm) : std::nullopt; };
    CheckPaperSize(inForce(PaperWidthMm), inForce(PaperHeightMm));
    TakePaperSize();
    if (!m_paperWidth.isEmpty() && !m_paperHeight.isEmpty())
        WritePaperSettings({m_paperWidth, m_paperHeight});
}

void PrintManager::CheckPaperSize(std::optional<int> widthInForce, std::optional<int> heightInForce)
{
    QStringList messages;
    const auto check = [&messages](const NumberSetting &setting, QString &text, std::optional<int> inForce) {
        // A field still empty, with no size before it, is not set yet: nothing to say.
        if (text.trimmed().isEmpty() && !inForce)
            return;
        const CheckedNumber checked = CheckNumber(setting, text, inForce);
        text = checked.value ? QString::number(*checked.value) : QString();
        if (!checked.message.isEmpty())
            messages << checked.message;
    };
    check(Settings::PaperWidth(), m_paperWidth, widthInForce);
    check(Settings::PaperHeight(), m_paperHeight, heightInForce);
    // One hint line: both sides are said in it together.
    if (!messages.isEmpty())
        Announce(messages.join(QStringLiteral("；")));
}

void PrintManager::TakePaperSize()
{
    // Only sizes that passed their check are ever held: an empty text gives 0, no paper.
    PaperWidthMm = DecimalValue(m_paperWidth);
    PaperHeightMm = DecimalValue(m_paperHeight);
}

int PrintManager::CommitQuality(const QString &typed)
{
    const CheckedNumber checked = SystemSettings::SavePictureQuality(typed);
    if (!checked.message.isEmpty())
        emit HintChanged(checked.message);
    return SystemSettings::PictureQuality();
}

void PrintManager::Announce(const QString &message)
{
    WriteRunLog(message);
    emit HintChanged(message);
}

PrintManager::StartResult PrintManager::Start()
{
    if (!PrintedListReady || PendingScanRunning)
        return StartResult::ListsRestoring;
    ::Pause(10ms);
    AutoPrintRunning = true;
    WriteSysValue(QStringLiteral("System"), QStringLiteral("AutoPrint"), QStringLiteral("Start"));
    PrepareAutoPrint();
    // With both lists empty the event starts afresh: the recorded numbers are forgotten.
    if (m_queue->Pending().RowCount() == 0 && m_queue->Printed().RowCount() == 0)
        ForgetPictureNumbers();
    StartCombinationSession();
    WriteRunLog(QStringLiteral("开始自动打印"));
    SetStartChecked(true);
    return StartResult::Started;
}

void PrintManager::ResumeAutoPrint()
{
    PrepareAutoPrint();
    StartCombinationSession();
}

void PrintManager::StartCombinationSession()
{
    if (startCombinationSession)
        startCombinationSession();
}

void PrintManager::PrepareAutoPrint()
{
    LoadTemplateSettings();
    TakePaperSize();
    PrepareThreadSlots();
}

void PrintManager::PrepareThreadSlots()
{
    if (PrintWorkersReady)
        return;
    BuildThreadTables();
    PrintWorkersReady = true;
}

void PrintManager::ShowStarted()
{
    SetStartChecked(true);
}

void PrintManager::Pause()
{
    AutoPrintRunning = false;
    WriteRunLog(QStringLiteral("暂停自动打印"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("AutoPrint"), QStringLiteral("Stop"));
    PauseClicked = true;
    SetStartChecked(false);
}

void PrintManager::ToggleManualMode()
{
    if (!AutoPrintRunning)
        ManualMode = !ManualMode;
}

void PrintManager::SetStartChecked(bool checked)
{
    m_startChecked = checked;
    emit StartCheckedChanged(checked);
}

void PrintManager::Tick()
{
    PrintCyclePhase = (PrintCyclePhase + 1) % 4;
    if (TemplateReloadRequested)
        LoadTemplateSettings();
    CheckStuckPrinting();
    // A composed photo goes out whatever the source folder holds: a burst
    // being composed never keeps the printers waiting.
    if (!PrintingNow && !PrintersBusy && AutoPrintRunning)
        m_queue->DispatchStep(m_startChecked);
    // The printed-folder scan restores the printers' counts into the printer
    // table: it starts only once the enumeration has filled that table.
    if (m_firstTick && !PrinterEnumerationRunning) {
        m_firstTick = false;
        // Hand-overs a crash left open put their photos back before the folders are listed.
        RecoverHandOvers();
        m_queue->StartPrintedFolderScan();
        m_queue->StartPendingFolderScan();
    }
    ResetHint();
    ScheduleReprints(true);

    if (AutoPrintRunning && PrintedListReady) {
        ManualMode = false;
        AutoPrintActive = true;
        if (!QueueRebuilding)
            RequestSourceScanNow();
        CountIdleSeconds();
    } else {
        AutoPrintActive = false;
        if (ManualMode) {
            if (!QueueRebuilding && PrintedListReady)
                RequestSourceScanNow();
            ScheduleReprints(false);
        }
        // While paused the radio buttons always say so, even after a refused start.
        SetStartChecked(false);
    }
    ++m_hintTickCount;
}

void PrintManager::CheckStuckPrinting()
{
    if (!PrintingNow && !PrintersBusy) {
        m_recoveryCheckCount = 0;
        return;
    }
    if (++m_recoveryCheckCount < 3)
        return;
    // A job that ended without clearing the flags must not stop the queue for good.
    if (std::unique_lock tableLock(printer_table_cs, std::try_to_lock); tableLock) {
        const bool idleChecked = std::any_of(PrinterTable.begin(), PrinterTable.end(), [](const PrinterEntry &entry) {
            return EntryChecked(entry) && EntryJobCount(entry) <= 0;
        });
        if (idleChecked) {
            PrintingNow = false;
            PrintersBusy = false;
        }
    }
    m_queue->StartPendingFolderScan();
}

void PrintManager::ScheduleReprints(bool requireAutoPrint)
{
    if (ReprintWorkerBusy || ReprintListBusy || ComposingNow || PrintersBusy)
        return;
    if (ReprintFileCount > 0 && PrintedListReady) {
        m_queue->noReprintWork = false;
        if (startReprintWorker && !CountEditActive && PrintWorkersReady && (AutoPrintRunning || !requireAutoPrint))
            startReprintWorker();
        if (ReprintTotalCount > 30)
            ReprintBacklogLow = false;
    } else {
        ReprintBacklogLow = true;
        m_queue->noReprintWork = true;
    }
}

void PrintManager::RequestSourceScanNow()
{
    ScanTaskParams fields;
    fields.frameFile = m_frameFile;
    fields.paperWidthText = m_paperWidth;
    fields.paperHeightText = m_paperHeight;
    fields.sourceFolder = m_sourceFolder;
    RequestSourceScan(
        m_walks, fields, [this](std::unique_ptr<ScanTaskParams> task) { m_queue->StartComposition(std::move(task)); },
        // A walk through a burst ends when the operator pauses, and before a
        // photo that could not be composed for a cause that is not its own.
        [this, fields] {
            return (AutoPrintRunning || ManualMode)
                && m_queue->Road().Open(fields.frameFile, fields.paperWidthText, fields.paperHeightText);
        });
}

void PrintManager::CountIdleSeconds()
{
    if ((ReprintTotalCount > 0 || PendingQueueIdle) && !PrintersBusy && SelectedPrinterCount > 0) {
        ++IdleSeconds;
        WriteRunLog(QStringLiteral("当前工作模式:") + QString::number(PrintCyclePhase));
    } else if (IdleSeconds > 0) {
        WriteRunLog(QStringLiteral("所有打印机空闲时间:") + QString::number(IdleSeconds));
        IdleSeconds = 0;
    }
}

void PrintManager::ResetHint()
{
    if (m_hintTickCount < 3)
        return;
    m_hintTickCount = 0;
    if (HintResetPending.exchange(false))
        emit HintChanged(QStringLiteral(" "));
}
