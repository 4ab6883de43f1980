#include "intake/SourceFolderScan.h"

#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "intake/IntakeState.h"
#include "intake/KeptInPlace.h"
#include "intake/PhotoNames.h"
#include "platform/FileIo.h"
#include "platform/Pause.h"

#include <QDir>
#include <QFileInfo>

#include <map>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A file that failed, as it was then, and how many scans have found it so since.
struct Uncomposable
{
    FileIo::Stamp stamp;
    int unchangedScans = 0;
};

std::mutex uncomposableMutex;
std::map<QString, Uncomposable> uncomposable; // source path -> the file as it failed
std::function<void(const QString &)> uncomposableReport;

// A file still arriving changes between scans and is tried again; one that
// sat unchanged through this many scans is broken for good, and said so once.
constexpr int ScansBeforeReport = 3;

void ReportUncomposableOnce(const QString &path, Uncomposable &file)
{
    if (++file.unchangedScans != ScansBeforeReport)
        return;
    const QString text = QStringLiteral("图片无法合成:") + QFileInfo(path).fileName();
    WriteRunLog(text);
    if (uncomposableReport)
        uncomposableReport(text);
}

bool KnownUncomposable(const QString &path)
{
    const std::lock_guard lock(uncomposableMutex);
    const auto known = uncomposable.find(path);
    if (known == uncomposable.end())
        return false;
    if (FileIo::StampOf(path.toStdString()) == known->second.stamp) {
        ReportUncomposableOnce(path, known->second);
        return true;
    }
    uncomposable.erase(known);
    return false;
}

// Compositions run one at a time; the walk waits for the one it started, so
// the photos are composed in name order whatever a composition costs.
void WaitForCompositions()
{
    while (ComposingNow || ComposeThreadCount > 0)
        std::this_thread::sleep_for(2ms);
}

// A JPEG the walk composes now: not one that failed or was composed already
// and has not changed since.
bool TakenNow(const QFileInfo &entry)
{
    return HasJpegExtension(entry.filePath()) && !KnownUncomposable(entry.filePath())
        && !KnownKeptInPlace(entry.filePath()) && !KeptByAnEarlierRun(entry.filePath());
}

std::unique_ptr<ScanTaskParams> CompositionOf(const QFileInfo &file, const ScanTaskParams &scan)
{
    auto task = std::make_unique<ScanTaskParams>();
    task->fileName = file.fileName();
    task->sourcePath = file.filePath();
    task->frameFile = scan.frameFile;
    task->extension = QLatin1Char('.') + file.suffix();
    task->paperWidthText = scan.paperWidthText;
    task->paperHeightText = scan.paperHeightText;
    return task;
}

void WalkSourceFolder(std::unique_ptr<ScanTaskParams> scan, StartComposition startComposition,
                      std::function<bool()> keepWalking)
{
    WriteRunLog(QStringLiteral("开始检查数据源目录会话线程"));
    SourceScanStarted = true;

    // Name order, as the photographers number their files; one listing per
    // walk, so a walk costs what the folder holds, not its square.
    const QFileInfoList entries = QDir(scan->sourceFolder)
                                      .entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                                     QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        SourceScanWalking = true;
        if (entry.isDir())
            continue;
        if (!HasJpegExtension(entry.filePath())) {
            Pause(300ms); // what another file has always cost a walk
            continue;
        }
        WaitForCompositions();
        if (!keepWalking())
            break; // automatic printing was paused meanwhile: the rest waits for a later walk
        if (!TakenNow(entry) || !QFileInfo::exists(entry.filePath()))
            continue;
        ++ComposeThreadCount;
        startComposition(CompositionOf(entry, *scan));
        WaitForCompositions();
    }

    WriteRunLog(QStringLiteral("检查数据源目录线程结束"));
    --SourceScanCount;
    SourceScanStarted = false;
    SourceScanWalking = false;
}

} // namespace

bool RequestSourceScan(const ScanTaskParams &fields, StartComposition startComposition,
                       std::function<bool()> keepWalking)
{
    if (fields.sourceFolder.isEmpty() || SourceScanCount >= 1 || ComposingNow || SourceScanStarted)
        return false;
    ++SourceScanCount;
    auto scan = std::make_unique<ScanTaskParams>(fields);
    if (!keepWalking)
        keepWalking = [] { return true; };
    std::thread(WalkSourceFolder, std::move(scan), std::move(startComposition), std::move(keepWalking)).detach();
    return true;
}

void RememberUncomposable(const QString &sourcePath, const FileIo::Stamp &stamp)
{
    const std::lock_guard lock(uncomposableMutex);
    uncomposable[sourcePath] = Uncomposable{stamp};
}

void SetUncomposableReport(std::function<void(const QString &text)> report)
{
    const std::lock_guard lock(uncomposableMutex);
    uncomposableReport = std::move(report);
}
