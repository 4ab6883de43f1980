#include "intake/SourceFolderScan.h"

#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "intake/IntakeState.h"
#include "intake/KeptInPlace.h"
#include "intake/PhotoNames.h"
#include "platform/FileIo.h"
#include "platform/FileNameText.h"
#include "platform/Pause.h"
#include "platform/WorkerSet.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Uncomposable
{
    FileIo::Stamp stamp;
    QString reason;
    int unchangedScans = 0;
};

namespace fs = std::filesystem;

// A file that failed, as it was then, and how many scans have found it so since.
std::mutex uncomposableMutex;
std::map<fs::path, Uncomposable> uncomposable; // source file -> the file as it failed
std::set<fs::path> danglingLinks;              // links to nothing, reported once
std::function<void(const QString &)> uncomposableReport;

// A file still arriving changes between scans and is tried again; one that
// sat unchanged through this many scans is broken for good, and said so once.
constexpr int ScansBeforeReport = 3;

void Report(const QString &text)
{
    WriteRunLog(text);
    if (uncomposableReport)
        uncomposableReport(text);
}

QString UncomposableText(const fs::path &source, const QString &reason)
{
    const QString why = reason.isEmpty() ? QString() : QStringLiteral("（") + reason + QStringLiteral("）");
    return QStringLiteral("图片无法合成") + why + QStringLiteral(":") + FileNameText(source.filename());
}

void ReportUncomposableOnce(const fs::path &source, Uncomposable &file)
{
    if (++file.unchangedScans == ScansBeforeReport)
        Report(UncomposableText(source, file.reason));
}

bool KnownUncomposable(const fs::path &source)
{
    const std::lock_guard lock(uncomposableMutex);
    const auto known = uncomposable.find(source);
    if (known == uncomposable.end())
        return false;
    if (FileIo::StampOf(source) == known->second.stamp) {
        ReportUncomposableOnce(source, known->second);
        return true;
    }
    uncomposable.erase(known);
    return false;
}

// A link whose photo is gone is said once, by name, and passed over; once
// it leads to a file again it is taken like any photo.
bool DanglingLink(const fs::directory_entry &entry)
{
    std::error_code error;
    const bool dangling = entry.is_symlink(error) && !fs::exists(entry.path(), error);
    const std::lock_guard lock(uncomposableMutex);
    if (!dangling) {
        danglingLinks.erase(entry.path());
        return false;
    }
    if (danglingLinks.insert(entry.path()).second)
        Report(UncomposableText(entry.path(), QStringLiteral("链接指向的文件不存在")));
    return true;
}

// Compositions run one at a time; the walk waits for the one it started, so
// the photos are composed in name order whatever a composition costs.
void WaitForCompositions()
{
    while ((ComposingNow || ComposeThreadCount > 0) && !WorkerStopRequested())
        std::this_thread::sleep_for(2ms);
}

// A JPEG the walk composes now: not one that failed or was composed already
// and has not changed since.
bool TakenNow(const fs::path &source)
{
    return !KnownUncomposable(source) && !KnownKeptInPlace(source) && !KeptByAnEarlierRun(source);
}

std::unique_ptr<ScanTaskParams> CompositionOf(const fs::path &source, const QString &name, const ScanTaskParams &scan)
{
    auto task = std::make_unique<ScanTaskParams>();
    task->fileName = name;
    task->source = source;
    task->sourcePath = scan.sourceFolder + QLatin1Char('/') + name;
    task->frameFile = scan.frameFile;
    const qsizetype dot = name.lastIndexOf(u'.');
    task->extension = dot < 0 ? QString() : name.mid(dot);
    task->paperWidthText = scan.paperWidthText;
    task->paperHeightText = scan.paperHeightText;
    return task;
}

// One entry of the source folder: its name's bytes and the name the program gives it.
struct Listed
{
    fs::directory_entry entry;
    QString name;
};

// The folder's entries in name order, as the photographers number their
// files; read as bytes, so no name the folder holds is lost.
std::vector<Listed> ListSourceFolder(const QString &folder)
{
    std::vector<Listed> listed;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(folder.toStdString()), error), end; !error && it != end;
         it.increment(error))
        listed.push_back({*it, FileNameText(it->path().filename())});
    std::sort(listed.begin(), listed.end(), [](const Listed &a, const Listed &b) {
        const int order = a.name.compare(b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.entry.path() < b.entry.path();
    });
    return listed;
}

void WalkSourceFolder(const ScanTaskParams &scan, const StartComposition &startComposition,
                      const std::function<bool()> &keepWalking)
{
    WriteRunLog(QStringLiteral("开始检查数据源目录会话线程"));
    SourceScanStarted = true;

    // One listing per walk, so a walk costs what the folder holds, not its square.
    for (const Listed &listed : ListSourceFolder(scan.sourceFolder)) {
        SourceScanWalking = true;
        std::error_code error;
        if (listed.entry.is_directory(error))
            continue;
        if (!HasJpegExtension(listed.name)) {
            Pause(300ms); // another file costs a walk this pause, keeping the disk quiet
            continue;
        }
        WaitForCompositions();
        if (WorkerStopRequested() || !keepWalking())
            break; // paused meanwhile, or no photo can be composed now: the rest waits for a later walk
        const fs::path &source = listed.entry.path();
        if (DanglingLink(listed.entry) || !fs::exists(source, error) || !TakenNow(source))
            continue;
        ++ComposeThreadCount;
        startComposition(CompositionOf(source, listed.name, scan));
        WaitForCompositions();
    }

    WriteRunLog(QStringLiteral("检查数据源目录线程结束"));
    --SourceScanCount;
    SourceScanStarted = false;
    SourceScanWalking = false;
}

} // namespace

bool RequestSourceScan(WorkerSet &walks, const ScanTaskParams &fields, StartComposition startComposition,
                       std::function<bool()> keepWalking)
{
    if (fields.sourceFolder.isEmpty() || SourceScanCount >= 1 || ComposingNow || SourceScanStarted)
        return false;
    ++SourceScanCount;
    if (!keepWalking)
        keepWalking = [] { return true; };
    walks.Start([scan = fields, startComposition = std::move(startComposition), keepWalking = std::move(keepWalking)] {
        WalkSourceFolder(scan, startComposition, keepWalking);
    });
    return true;
}

void RememberUncomposable(const fs::path &source, const FileIo::Stamp &stamp, const QString &reason)
{
    const std::lock_guard lock(uncomposableMutex);
    uncomposable[source] = Uncomposable{stamp, reason};
}

void SetUncomposableReport(std::function<void(const QString &text)> report)
{
    const std::lock_guard lock(uncomposableMutex);
    uncomposableReport = std::move(report);
}

void ForgetUncomposable()
{
    const std::lock_guard lock(uncomposableMutex);
    uncomposable.clear();
}
