#pragma once

#include "platform/WorkerSet.h"

#include <QDate>
#include <QString>

#include <array>
#include <atomic>
#include <filesystem>

// Archiving after an event: every photo of the working folders moves into a
// day folder under the archive folder, one sub-folder per working folder,
// and the picture numbers are forgotten so numbering starts again. A second
// archive on the same day keeps the photos of the first: a name taken there
// gets a copy number (IMG_0002-2.JPG).

// One worker's share: a working folder and its sub-folder of the day folder.
struct ArchiveJob
{
    int index;
    std::filesystem::path source;     // relative to the program folder
    std::filesystem::path targetName; // below the day folder
};

inline const std::array<ArchiveJob, 4> ArchiveJobs{{
    {0, "Pic_S", "Pic_S"},
    {1, "Pic_B", "Pic_B"},
    {2, "Pic_P", "Pic_P"},
    {3, "Pic_R", "Pic_R"},
}};

// Counts of one archive run, as the please-wait window shows them.
struct ArchiveProgress
{
    int found = 0;         // photos found in the working folders so far
    int archived = 0;      // moved into the archive
    int leftBehind = 0;    // not moved after two tries: still in their working folder
    bool finished = false; // every worker done and the picture numbers forgotten

    int Handled() const { return archived + leftBehind; }
};

// The day folder's name for an archive made on the date: eight digits, yyyyMMdd.
QString ArchiveDayName(const QDate &date);

// Whether a file of a working folder is a photo to archive. Its extension is
// taken from the last five characters of its path, from their first "." on
// (all five when they hold no "."), and must be ".jpg" or ".jpeg" in any
// letter case: "a.JPG" is a photo, "a.png" and "a.jpg.bak" are not.
bool IsArchivedPhoto(const QString &path);

// One archive at a time: four workers, one per working folder, and a
// finisher that waits for them. The counters are atomics that any thread
// may read while the workers run; nothing here touches a widget.
class PhotoArchive final
{
public:
    PhotoArchive() = default;
    PhotoArchive(const PhotoArchive &) = delete;
    PhotoArchive &operator=(const PhotoArchive &) = delete;
    // Asks a run still going to stop after the photo each worker is moving
    // and waits for it; the photos not reached stay in their working folders
    // and the picture numbers are kept.
    ~PhotoArchive();

    // Starts archiving into archiveFolder/yyyyMMdd (today's date). Every file
    // costs a 300 ms pause and every moved photo 30 ms more, so the run takes
    // minutes; Progress() follows it. Returns false, starting nothing, while
    // a run is still going.
    bool Start(const std::filesystem::path &archiveFolder);

    bool Running() const;
    ArchiveProgress Progress() const;

private:
    void Work(const ArchiveJob &job, const std::filesystem::path &dayFolder);
    void Finish();

    std::atomic<bool> m_running{false};
    std::array<std::atomic<bool>, ArchiveJobs.size()> m_folderBusy{};
    std::atomic<int> m_found{0};
    std::atomic<int> m_archived{0};
    std::atomic<int> m_leftBehind{0};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_cutShort{false}; // a worker was asked to stop before its folder was done
    // Started and joined on the user-interface thread only.
    WorkerSet m_workers;
};
