#include "intake/CombinationReprint.h"

#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "intake/IntakeState.h"
#include "intake/ReprintFeed.h"
#include "platform/Pause.h"

#include <QDir>

using namespace std::chrono_literals;

namespace {

constexpr auto AfterFile = 5000ms;
constexpr auto BetweenPasses = 2000ms;

const QString StartedLog = QStringLiteral("开始连拍组合补打会话线程");
const QString EndedLog = QStringLiteral("连拍组合补打会话线程结束");

} // namespace

CombinationReprintSession::CombinationReprintSession(PhotoListModel &printed, ReprintListModel &reprints,
                                                     ShowHint showHint)
    : m_printed(printed)
    , m_reprints(reprints)
    , m_showHint(std::move(showHint))
{
}

CombinationReprintSession::~CombinationReprintSession()
{
    m_workers.StopAndJoin();
}

void CombinationReprintSession::Start()
{
    PauseClicked = false;
    // A session that has not yet seen a pause goes on: never two on the same files.
    if (m_running.exchange(true))
        return;
    m_workers.Start([this] { Run(); });
}

bool CombinationReprintSession::Ending() const
{
    return PauseClicked || WorkerStopRequested();
}

void CombinationReprintSession::Run()
{
    WriteRunLog(StartedLog);
    for (;;) {
        if (Ending()) {
            WriteRunLog(EndedLog);
            m_running = false;
            // A start between the check and here found this session running
            // and left the work to it: take it up again.
            if (Ending() || m_running.exchange(true))
                break;
            WriteRunLog(StartedLog);
        }
        ReadFolder();
        Pause(BetweenPasses);
    }
}

void CombinationReprintSession::ReadFolder()
{
    const QFileInfoList files =
        QDir(CombinationInfoFolder).entryInfoList({QStringLiteral("*.vellora")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &file : files) {
        if (!PrintedListReady || !AutoPrintActive || Ending())
            return;
        ApplyInfoFile(file.filePath(), m_printed, m_reprints, [](int wanted, int) { return wanted; }, m_showHint);
        Pause(AfterFile);
    }
}
