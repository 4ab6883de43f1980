#include "settings/PhotoArchive.h"

#include "compose/PictureNumber.h"
#include "platform/Clock.h"
#include "platform/FileMove.h"
#include "platform/Pause.h"
#include "platform/WorkerSet.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The archive goes at a measured pace: every file looked at waits this long,
// a moved photo a little more; the finisher looks at the workers once a second.
constexpr auto FilePause = 300ms;
constexpr auto MovedPause = 30ms;
constexpr auto FinisherPoll = 1000ms;

constexpr int ExtensionWindow = 5;

// The files of a working folder in name order; folders are passed over.
std::vector<fs::path> FilesIn(const fs::path &folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kind;
        if (!it->is_directory(kind))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The archive folder is often on another disk: the move then copies, syncs
// and only then removes the working folder's photo, which is never in both
// places and never lost.
bool MoveIntoArchive(const fs::path &file, const fs::path &destination)
{
    return FileMove::Move(file, destination, FileMove::Clash::KeepBoth).has_value();
}

bool IsPhotoFile(const fs::path &file)
{
    return IsArchivedPhoto(QString::fromStdString(file.string()));
}

} // namespace

QString ArchiveDayName(const QDate &date)
{
    return date.toString(QStringLiteral("yyyyMMdd"));
}

bool IsArchivedPhoto(const QString &path)
{
    const QString tail = path.right(ExtensionWindow);
    const qsizetype dot = tail.indexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? tail : tail.mid(dot);
    return extension.compare(QStringLiteral(".jpg"), Qt::CaseInsensitive) == 0
        || extension.compare(QStringLiteral(".jpeg"), Qt::CaseInsensitive) == 0;
}

PhotoArchive::~PhotoArchive()
{
    m_workers.StopAndJoin();
}

bool PhotoArchive::Start(const fs::path &archiveFolder)
{
    if (m_running.exchange(true))
        return false;
    m_workers.Join(); // the last run's threads, all at their end

    m_found = 0;
    m_archived = 0;
    m_leftBehind = 0;
    m_finished = false;
    m_cutShort = false;
    for (auto &busy : m_folderBusy)
        busy = true;

    // One day folder for the whole run, even when it runs past midnight.
    const fs::path dayFolder = archiveFolder / ArchiveDayName(Clock::Now().date()).toStdString();
    for (const ArchiveJob &job : ArchiveJobs)
        m_workers.Start([this, &job, dayFolder] { Work(job, dayFolder); });
    m_workers.Start([this] { Finish(); });
    return true;
}

bool PhotoArchive::Running() const
{
    return m_running;
}

ArchiveProgress PhotoArchive::Progress() const
{
    // Finished first: once it reads true, the counts read after it are final.
    const bool finished = m_finished;
    return ArchiveProgress{m_found, m_archived, m_leftBehind, finished};
}

void PhotoArchive::Work(const ArchiveJob &job, const fs::path &dayFolder)
{
    // The day folder and the target are made one level each: an archive
    // folder that is gone (a drive taken away) is not made up on another disk.
    const fs::path target = dayFolder / job.targetName;
    std::error_code ignored;
    fs::create_directory(dayFolder, ignored);
    fs::create_directory(target, ignored);

    const std::vector<fs::path> files = FilesIn(job.source);
    m_found += static_cast<int>(std::count_if(files.begin(), files.end(), IsPhotoFile));

    for (const fs::path &file : files) {
        if (WorkerStopRequested()) {
            m_cutShort = true;
            break;
        }
        if (!IsPhotoFile(file)) {
            Pause(FilePause);
            continue;
        }
        // A photo archived earlier that day under the same name stays; the
        // newcomer takes a copy number.
        const fs::path destination = target / file.filename();
        if (MoveIntoArchive(file, destination) || MoveIntoArchive(file, destination))
            ++m_archived;
        else
            ++m_leftBehind;
        Pause(MovedPause);
        Pause(FilePause);
    }
    m_folderBusy[static_cast<std::size_t>(job.index)] = false;
}

void PhotoArchive::Finish()
{
    // Asked to stop, the pause returns at once: the workers end within a file's move.
    while (std::any_of(m_folderBusy.begin(), m_folderBusy.end(), [](const auto &busy) { return busy.load(); }))
        Pause(FinisherPoll);
    if (m_cutShort) {
        // The photos left behind keep their numbers.
        m_running = false;
        return;
    }
    // Numbering starts again with the next start of the program.
    ForgetPictureNumbers();
    m_finished = true;
    m_running = false;
}

