#include "intake/SourceFolderScan.h"

#include "app/ProcessState.h"
#include "app/RunLog.h"
#include "intake/IntakeState.h"
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

bool MayStartComposition()
{
    return !ComposingNow && ComposeThreadCount <= 1 && !QueueRebuilding;
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

void WalkSourceFolder(std::unique_ptr<ScanTaskParams> scan, StartComposition startComposition)
{
    WriteRunLog(QStringLiteral("开始检查数据源目录会话线程"));
    SourceScanStarted = true;

    // Name order, as the photographers number their files.
    const QFileInfoList entries = QDir(scan->sourceFolder)
                                      .entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                                     QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        SourceScanWalking = true;
        if (entry.isDir())
            continue;
        if (HasJpegExtension(entry.filePath()) && MayStartComposition() && !KnownUncomposable(entry.filePath())) {
            ++ComposeThreadCount;
            startComposition(CompositionOf(entry, *scan));
        }
        Pause(300ms);
    }

    WriteRunLog(QStringLiteral("检查数据源目录线程结束"));
    --SourceScanCount;
    SourceScanStarted = false;
    SourceScanWalking = false;
}

} // namespace

bool RequestSourceScan(const ScanTaskParams &fields, StartComposition startComposition)
{
    if (fields.sourceFolder.isEmpty() || SourceScanCount >= 1 || ComposingNow || SourceScanStarted)
        return false;
    ++SourceScanCount;
    auto scan = std::make_unique<ScanTaskParams>(fields);
    std::thread(WalkSourceFolder, std::move(scan), std::move(startComposition)).detach();
    return true;
}

void RememberUncomposable(const QString &sourcePath)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(sourcePath.toStdString());
    if (!stamp)
        return;
    const std::lock_guard lock(uncomposableMutex);
    uncomposable[sourcePath] = Uncomposable{*stamp};
}

void SetUncomposableReport(std::function<void(const QString &text)> report)
{
    const std::lock_guard lock(uncomposableMutex);
    uncomposableReport = std::move(report);
}
