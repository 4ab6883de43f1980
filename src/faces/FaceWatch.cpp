#include "faces/FaceWatch.h"

#include "compose/PictureNumber.h"
#include "faces/FaceDetector.h"
#include "faces/PeopleCount.h"
#include "platform/Clock.h"
#include "platform/FileNameText.h"

#include <QImage>

#include <algorithm>
#include <cstring>

namespace fs = std::filesystem;

namespace {

constexpr int ShownPhotos = 20;
constexpr int UnreadableGraceSeconds = 60;

bool IsJpegName(const fs::path &file)
{
    const QString extension = FileNameText(file.extension()).toLower();
    return extension == QStringLiteral(".jpg") || extension == QStringLiteral(".jpeg");
}

// Photos of Pic_R printed today (their file dates from their composition),
// oldest first: a first start in a folder of earlier days counts nothing of
// those days.
std::vector<fs::path> TodaysPhotos(const fs::path &printed)
{
    std::vector<std::pair<fs::file_time_type, fs::path>> photos;
    const QDate today = Clock::Now().date();
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(printed, error)) {
        if (!entry.is_regular_file(error) || !IsJpegName(entry.path()))
            continue;
        const fs::file_time_type modified = entry.last_write_time(error);
        if (error)
            continue;
        if (QDateTime::fromSecsSinceEpoch(SecondsSinceEpoch(modified)).date() == today)
            photos.emplace_back(modified, entry.path());
    }
    std::sort(photos.begin(), photos.end());
    std::vector<fs::path> paths;
    for (auto &photo : photos)
        paths.push_back(std::move(photo.second));
    return paths;
}

// The desk takes the photo's name as the info file's name up to its first ".".
fs::path InfoFileFor(const fs::path &infoFolder, const fs::path &photo)
{
    return infoFolder / (PictureNumberKey(FileNameText(photo.filename())) + QStringLiteral(".vellora")).toStdString();
}

fs::path StagedFileFor(const fs::path &infoFolder, const fs::path &photo)
{
    fs::path staged = infoFolder / photo.filename();
    staged += StagedSuffix;
    return staged;
}

} // namespace

FaceWatch::FaceWatch(fs::path programFolder, std::chrono::milliseconds interval)
    : m_program(std::move(programFolder))
    , m_interval(interval)
    , m_record(CountRecord::FileIn(m_program))
{
    Publish(ReadDeskFolders(m_program), {});
}

FaceWatch::~FaceWatch()
{
    m_workers.StopAndJoin();
}

int FaceWatch::Pass()
{
    const DeskFolders folders = ReadDeskFolders(m_program);
    QString problem = DeskFoldersProblem(folders);
    if (!m_detector) // reading the models takes a fifth of a second: not on the window's thread
        m_detector = std::make_unique<FaceDetector>();
    if (problem.isEmpty() && !m_detector->Ready())
        problem = QStringLiteral("读不到人脸检测数据：") + QString::fromUtf8(FaceDetector::CascadeFile());
    if (!problem.isEmpty()) {
        Publish(folders, problem);
        return 0;
    }
    FinishStaged(folders);
    int counted = 0;
    for (const fs::path &photo : TodaysPhotos(folders.printed)) {
        if (WorkerStopRequested())
            break;
        const std::optional<PhotoKey> key = KeyOf(photo);
        if (!key || m_record.Has(*key))
            continue;
        if (CountPhoto(photo, *key, folders)) {
            ++counted;
            Publish(folders, {});
        }
    }
    Publish(folders, {});
    return counted;
}

void FaceWatch::FinishStaged(const DeskFolders &folders)
{
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(folders.infoFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(StagedSuffix))
            continue;
        const fs::path photo = folders.printed / name.substr(0, name.size() - std::strlen(StagedSuffix));
        const std::optional<PhotoKey> key = KeyOf(photo);
        std::error_code ignored;
        if (key && m_record.Has(*key))
            fs::rename(entry.path(), InfoFileFor(folders.infoFolder, photo), ignored);
        else
            fs::remove(entry.path(), ignored); // its photo is counted again
    }
}

bool FaceWatch::CountPhoto(const fs::path &photo, const PhotoKey &key, const DeskFolders &folders)
{
    const PhotoWindow &window = WindowFor(folders.frameFile);
    const std::optional<int> counted = CountPeople(photo, window, *m_detector);
    // A photo that cannot be decoded whole may still be arriving: it is
    // looked at again. One that stays so has nobody to count; the desk's
    // rules then give it the minimum, as a photo without faces.
    if (!counted && Clock::Now().toSecsSinceEpoch() - key.modifiedSeconds < UnreadableGraceSeconds)
        return false;
    const int people = counted.value_or(0);
    const fs::path staged = StagedFileFor(folders.infoFolder, photo);
    if (!FileIo::Replace(staged, FileIo::ToUtf16Le(QString::number(people))))
        return false; // tried again on the next pass
    if (!m_record.Add({key, people, Clock::Now()}))
        return false; // the staged file is dropped and the photo counted again
    std::error_code error;
    fs::rename(staged, InfoFileFor(folders.infoFolder, photo), error);
    return true;
}

const PhotoWindow &FaceWatch::WindowFor(const fs::path &frameFile)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(frameFile);
    if (frameFile != m_windowFile || stamp != m_windowStamp) {
        m_windowFile = frameFile;
        m_windowStamp = stamp;
        m_window = frameFile.empty() ? PhotoWindow() : PhotoWindow::FromTemplate(QImage(QString::fromStdString(frameFile.string())));
    }
    return m_window;
}

void FaceWatch::Start()
{
    m_workers.Start([this] {
        const std::stop_token stop = CurrentWorkerStop();
        while (!stop.stop_requested()) {
            Pass();
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, stop, m_interval, [this] { return m_woken; });
            m_woken = false;
        }
    });
}

void FaceWatch::Wake()
{
    {
        const std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wake.notify_all();
}

void FaceWatch::NoteDeskMessage()
{
    {
        const std::lock_guard lock(m_mutex);
        m_status.deskMessageAt = Clock::Now();
    }
    Wake();
}

WatchStatus FaceWatch::Status() const
{
    const std::lock_guard lock(m_mutex);
    return m_status;
}

void FaceWatch::Publish(const DeskFolders &folders, const QString &problem)
{
    std::vector<CountedPhoto> latest = m_record.Latest(ShownPhotos);
    const int today = m_record.CountedOn(Clock::Now().date());
    const std::lock_guard lock(m_mutex);
    m_status.folders = folders;
    m_status.problem = problem;
    m_status.latest = std::move(latest);
    m_status.writtenToday = today;
}
