#include "intake/ReprintFeed.h"

#include "desk/Locks.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/SysValues.h"
#include "compose/PictureNumber.h"
#include "intake/IntakeState.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintDesk.h"
#include "intake/ReprintFeedState.h"
#include "intake/ReprintListModel.h"
#include "intake/ReprintRecords.h"
#include "platform/CompanionLink.h"
#include "platform/DecimalText.h"
#include "platform/Pause.h"
#include "settings/ReprintRules.h"
#include "settings/SystemSettings.h"

#include <QDir>
#include <QFile>

using namespace std::chrono_literals;

namespace {

// Printed list columns a feed reads.
constexpr int PrintedQuantityColumn = 1;
constexpr int PrintedNameColumn = 2;
constexpr int PrintedPathColumn = 3;

// The companion's own pace: one file, then a pause; a pause between passes.
constexpr auto AfterFile = 5000ms;
constexpr auto BetweenPasses = 2000ms;

const QString StateSection = QStringLiteral("System");

// The companions receive the first four bytes of the UTF-16 text "stop":
// the record's byte count is the text's character count, and the companions
// read exactly that.
QByteArray StopPayload()
{
    const QString stop = QStringLiteral("stop");
    return QByteArray(reinterpret_cast<const char *>(stop.utf16()), stop.size() * 2).left(stop.size());
}

} // namespace

const ReprintFeedKind &AutomaticReprint()
{
    static const ReprintFeedKind kind{
        AutoReprintRunning,
        AutoReprintStop,
        AutoReprintCount,
        QStringLiteral("AutoAddPrint"),
        QStringLiteral("Vellora - JPG照片中人的数量  Powered By OpenCV"),
        QStringLiteral("请打开 Zendrik 软件"),
        QStringLiteral("开始自动补打会话线程"),
        QStringLiteral("自动补打会话线程结束"),
        [] { return CurrentReprintRules().AutoReprintFolder; },
        [](int wanted, int printed) { return ReprintCount(wanted, printed); },
        true,
    };
    return kind;
}

const ReprintFeedKind &PhoneReprint()
{
    static const ReprintFeedKind kind{
        PhoneReprintRunning,
        PhoneReprintStop,
        PhoneReprintCount,
        QStringLiteral("PhoneAddPrint"),
        QStringLiteral("Vellora | Transmission"),
        QStringLiteral("请打开 VelloraTransmission 软件"),
        QStringLiteral("开始手机补打会话线程"),
        QStringLiteral("手机补打会话线程结束"),
        &SystemSettings::PhoneReprintFolder,
        [](int wanted, int) { return wanted; },
        false,
    };
    return kind;
}

ReprintFeed::ReprintFeed(const ReprintFeedKind &kind, PhotoListModel &printed, ReprintListModel &reprints,
                         CompanionLink &companion, Ui ui)
    : m_kind(kind)
    , m_printed(printed)
    , m_reprints(reprints)
    , m_companion(companion)
    , m_ui(std::move(ui))
{
}

ReprintFeed::~ReprintFeed()
{
    m_workers.StopAndJoin();
}

bool ReprintFeed::Click(uint64_t senderWindow)
{
    const QString folder = m_kind.folder();
    if (m_kind.running || folder.isEmpty()) {
        m_kind.stop = true;
        WriteSysValue(StateSection, m_kind.stateKey, QStringLiteral("Stop"));
        return false;
    }
    m_kind.stop = false;
    WriteSysValue(StateSection, m_kind.stateKey, QStringLiteral("Start"));
    // Running from now on: a second click stops this thread, even before it
    // has begun, instead of starting another one on the same files.
    m_kind.running = true;
    const bool told = m_companion.Send(m_kind.companionTitle, {senderWindow, 0, StopPayload()});
    ++m_kind.count;
    m_workers.Start([this, folder] { Run(folder); });
    // The thread runs before the message waits for its OK, so a restart
    // after a crash goes on reprinting with nobody at the desk.
    if (!told)
        m_ui.showMessage(m_kind.companionMissing);
    return true;
}

void ReprintFeed::Run(const QString &folder)
{
    m_kind.running = true;
    WriteRunLog(m_kind.startedLog);
    while (!m_kind.stop && !WorkerStopRequested()) {
        if (!m_kind.heedsBacklog || ReprintBacklogLow)
            ReadFolder(folder);
        Pause(BetweenPasses);
    }
    m_kind.running = false;
    --m_kind.count;
    WriteRunLog(m_kind.endedLog);
}

void ReprintFeed::ReadFolder(const QString &folder)
{
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.vellora")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &file : files) {
        if (!MayTakeNextFile())
            return;
        HandleInfoFile(file.filePath());
        Pause(AfterFile);
    }
}

bool ReprintFeed::MayTakeNextFile() const
{
    return PrintedListReady && AutoPrintActive && !m_kind.stop && !WorkerStopRequested();
}

void ReprintFeed::HandleInfoFile(const QString &file)
{
    ApplyInfoFile(file, m_printed, m_reprints, m_kind.copies, m_ui.showHint);
}

void ApplyInfoFile(const QString &file, PhotoListModel &printedList, ReprintListModel &reprints,
                   int (*copiesFor)(int wanted, int printed), const ShowHint &showHint)
{
    const QString name = PictureNumberKey(QFileInfo(file).fileName());
    const std::lock_guard lock(reprint_info_cs);
    const int wanted = ReadInfoCount(file.toStdString());
    if (name.isEmpty())
        return;
    ReprintListBusy = true;
    // The first printed row of the name that gets copies takes them all.
    bool matched = false;
    int target = -1;
    int copies = 0;
    const std::vector<QStringList> printed = printedList.Rows();
    for (int row = 0; row < static_cast<int>(printed.size()) && target < 0; ++row) {
        if (printed[row].value(PrintedNameColumn) != name)
            continue;
        matched = true;
        copies = copiesFor(wanted, DecimalValue(printed[row].value(PrintedQuantityColumn)));
        if (copies > 0)
            target = row;
    }
    // The file goes first: one that could not be deleted would be applied
    // again on every pass.
    if (matched && QFile::remove(file)) {
        if (target >= 0)
            AddPrintedRow(reprints, target, name, printed[target].value(PrintedPathColumn), copies, showHint);
        ReprintListChanged(reprints);
    } else if (matched) {
        WriteRunLog(QStringLiteral("补打信息文件不能删除:") + file);
    }
    ReprintListBusy = false;
}

ReprintFeeds::ReprintFeeds(PhotoListModel &printed, ReprintListModel &reprints, const ReprintFeed::Ui &ui)
    : m_companions(MakeLocalSocketCompanionLink())
    , m_automatic(std::make_unique<ReprintFeed>(AutomaticReprint(), printed, reprints, *m_companions, ui))
    , m_phone(std::make_unique<ReprintFeed>(PhoneReprint(), printed, reprints, *m_companions, ui))
{
}

ReprintFeeds::~ReprintFeeds() = default;
