#pragma once

#include "faces/CountRecord.h"
#include "faces/DeskFolders.h"
#include "faces/PhotoWindow.h"
#include "platform/FileIo.h"
#include "platform/WorkerSet.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class FaceDetector;

// What the window shows.
struct WatchStatus
{
    DeskFolders folders;
    QString problem;                  // why nothing is counted; empty when all is well
    std::vector<CountedPhoto> latest; // newest first
    int writtenToday = 0;             // info files written today
    QDateTime deskMessageAt;          // when the desk's message last came; null when never
};

// Watches the desk's printed photos (Pic_R) and writes for each photo
// printed today that it has not counted yet the info file NAME.vellora
// (UTF-16LE, the number of people on its one line) into the automatic-reprint
// folder the desk's settings name. Each photo is counted once, across
// restarts too: the file is written beside its place as NAME's photo file
// name + ".vellora-part", the photo is then entered in the count record, and
// only then is the file renamed into place; a pass that finds a staged file
// finishes it when its photo is recorded and drops it otherwise. So a kill at
// any point neither loses a photo nor hands the desk its count twice.
class FaceWatch final
{
public:
    FaceWatch(std::filesystem::path programFolder, std::chrono::milliseconds interval);
    ~FaceWatch();

    // Counts and writes every photo waiting now; the window's worker calls it
    // in a loop. Returns the photos counted and entered.
    int Pass();

    // Runs passes on a worker thread, one every interval, until destroyed.
    void Start();
    // A pass at once (the desk's message, a changed folder).
    void Wake();
    // The desk's message arrived.
    void NoteDeskMessage();

    WatchStatus Status() const;

private:
    void FinishStaged(const DeskFolders &folders);
    // True when the photo is counted and entered.
    bool CountPhoto(const std::filesystem::path &photo, const PhotoKey &key, const DeskFolders &folders);
    const PhotoWindow &WindowFor(const std::filesystem::path &frameFile);
    void Publish(const DeskFolders &folders, const QString &problem);

    std::filesystem::path m_program;
    std::chrono::milliseconds m_interval;
    CountRecord m_record;
    std::unique_ptr<FaceDetector> m_detector; // made and used by the passes only

    // The frame template's window, kept while its file is unchanged.
    std::filesystem::path m_windowFile;
    std::optional<FileIo::Stamp> m_windowStamp;
    PhotoWindow m_window;

    mutable std::mutex m_mutex; // guards what follows
    WatchStatus m_status;
    bool m_woken = false;
    std::condition_variable_any m_wake;

    WorkerSet m_workers; // last: stops the passes before the rest goes
};

// The extension of a staged info file (after the photo's file name).
inline constexpr char StagedSuffix[] = ".vellora-part";
