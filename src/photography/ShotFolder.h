#pragma once

#include <QImage>
#include <QString>

#include <atomic>
#include <filesystem>
#include <functional>
#include <vector>

// TempPicture, the folder that collects the shots of interactive series
// until a combination of them is printed, and the shots chosen for the
// combination.

// A shot as the review lists it: its path as "TempPicture/" + file name and
// its 300 by 200 thumbnail.
struct ShotRow
{
    QString path;
    QImage thumbnail;
};

inline constexpr int kShotThumbnailWidth = 300;
inline constexpr int kShotThumbnailHeight = 200;
// The most shots one combination takes.
inline constexpr int kMostCombinedShots = 4;

// A file name counts as a shot when the part from the first dot within its
// last five characters is ".jpg" or ".jpeg", in any case.
bool IsShotFileName(const QString &name);

// The review's scan: every shot file of `folder` (TempPicture in the program
// folder), in name order so the combination takes shots in shooting order,
// decoded and stretched over a black 300 by 200 thumbnail and handed to
// `row` (a file that does not decode is skipped). A pause of 300 ms follows
// every entry examined, so rows appear one by one. Ends early once `stop`
// is set. Runs on a worker thread; `row` is called on it.
void ScanShotFolder(const std::filesystem::path &folder, const std::atomic<bool> &stop,
                    const std::function<void(ShotRow)> &row);

// The shots handed to the combination: the first four listed whose file is
// still there (a shot deleted from outside is not handed on).
std::vector<QString> ChooseCombinationShots(const std::vector<QString> &listed);

// The process-wide list of chosen shots, filled by the review and read by the
// combination step; any thread.
void SetChosenShots(std::vector<QString> shots);
std::vector<QString> ChosenShots();
