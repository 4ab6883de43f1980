#include "faces/CountRecord.h"

#include "platform/FileIo.h"
#include "platform/FileNameText.h"

#include <QStringList>

#include <algorithm>
#include <chrono>

namespace fs = std::filesystem;

namespace {

QString LineOf(const CountedPhoto &photo)
{
    return QStringList{photo.key.name, QString::number(photo.key.size), QString::number(photo.key.modifiedSeconds),
                       QString::number(photo.people), photo.countedAt.toString(Qt::ISODate)}
               .join(u'\t')
        + u'\n';
}

std::optional<CountedPhoto> PhotoOf(const QString &line)
{
    const QStringList fields = line.split(u'\t');
    if (fields.size() != 5)
        return std::nullopt;
    bool sizeOk = false, timeOk = false, peopleOk = false;
    CountedPhoto photo{{fields[0], fields[1].toLongLong(&sizeOk), fields[2].toLongLong(&timeOk)},
                       fields[3].toInt(&peopleOk),
                       QDateTime::fromString(fields[4], Qt::ISODate)};
    if (!sizeOk || !timeOk || !peopleOk || photo.key.name.isEmpty())
        return std::nullopt;
    return photo;
}

} // namespace

std::optional<PhotoKey> KeyOf(const fs::path &photo)
{
    std::error_code error;
    const auto size = fs::file_size(photo, error);
    if (error)
        return std::nullopt;
    const auto modified = fs::last_write_time(photo, error);
    if (error)
        return std::nullopt;
    return PhotoKey{FileNameText(photo.filename()), static_cast<std::int64_t>(size), SecondsSinceEpoch(modified)};
}

std::int64_t SecondsSinceEpoch(fs::file_time_type time)
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(time).time_since_epoch())
        .count();
}

CountRecord::CountRecord(fs::path file)
    : m_file(std::move(file))
{
    const std::optional<FileIo::Contents> contents = FileIo::ReadAll(m_file);
    if (!contents)
        return;
    // A line cut short by a crash is not a photo; it is counted again.
    for (const QString &line : QString::fromUtf8(contents->bytes).split(u'\n')) {
        if (const std::optional<CountedPhoto> photo = PhotoOf(line)) {
            m_keys.insert(photo->key);
            m_photos.push_back(*photo);
        }
    }
}

fs::path CountRecord::FileIn(const fs::path &programFolder)
{
    return programFolder / "Config" / "FaceCounts.txt";
}

bool CountRecord::Has(const PhotoKey &key) const
{
    const std::lock_guard lock(m_mutex);
    return m_keys.contains(key);
}

bool CountRecord::Add(const CountedPhoto &photo)
{
    const std::lock_guard lock(m_mutex);
    if (!FileIo::Append(m_file, LineOf(photo).toUtf8(), true))
        return false;
    m_keys.insert(photo.key);
    m_photos.push_back(photo);
    return true;
}

std::vector<CountedPhoto> CountRecord::Latest(int count) const
{
    const std::lock_guard lock(m_mutex);
    std::vector<CountedPhoto> latest;
    for (auto photo = m_photos.rbegin(); photo != m_photos.rend() && static_cast<int>(latest.size()) < count; ++photo)
        latest.push_back(*photo);
    return latest;
}

int CountRecord::CountedOn(const QDate &date) const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_photos.begin(), m_photos.end(),
                                          [&date](const CountedPhoto &photo) { return photo.countedAt.date() == date; }));
}
