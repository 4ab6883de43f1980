#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

// One printed photo as the tool knows it: its file name in Pic_R, size and
// modification time. A photo of the same name printed on another day (after
// the archive emptied Pic_R) is another photo.
struct PhotoKey
{
    QString name;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;

    bool operator==(const PhotoKey &) const = default;
    bool operator<(const PhotoKey &other) const
    {
        return std::tie(name, size, modifiedSeconds) < std::tie(other.name, other.size, other.modifiedSeconds);
    }
};

std::optional<PhotoKey> KeyOf(const std::filesystem::path &photo);

// A file time as whole seconds since 1970.
std::int64_t SecondsSinceEpoch(std::filesystem::file_time_type time);

struct CountedPhoto
{
    PhotoKey key;
    int people = 0;
    QDateTime countedAt;
};

// The photos counted so far, kept in a text file of the program folder
// ("Config/FaceCounts.txt", one UTF-8 line per photo: name, size, time,
// count, when counted; tab-separated), so a photo is counted once, also
// across restarts. A line reaches the file with one write before Add
// returns (FileIo::Append). Thread-safe.
class CountRecord final
{
public:
    explicit CountRecord(std::filesystem::path file);

    static std::filesystem::path FileIn(const std::filesystem::path &programFolder);

    bool Has(const PhotoKey &key) const;
    bool Add(const CountedPhoto &photo);
    // The last `count` photos counted, newest first.
    std::vector<CountedPhoto> Latest(int count) const;
    // Photos counted on the date.
    int CountedOn(const QDate &date) const;

private:
    std::filesystem::path m_file;
    mutable std::mutex m_mutex;
    std::set<PhotoKey> m_keys;
    std::vector<CountedPhoto> m_photos;
};
