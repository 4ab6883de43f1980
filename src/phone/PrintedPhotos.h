#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

// The photos the page may show and take orders for: those in today's print
// record whose printed file is still in Pic_R. A guest's text is only ever
// compared with these names and numbers; the file comes from the folder's
// own listing, never from the text.
class PrintedPhotos
{
public:
    struct Photo
    {
        QString name; // as in the printed list: the file name cut before its first "."
        std::filesystem::path file;
    };

    // The photo named `text` exactly, or else the one whose picture number
    // `text` writes (leading zeros allowed): what the label printed on it shows.
    std::optional<Photo> Find(const QString &text);
    // Every photo printed today, in name order.
    QStringList Names();

private:
    using Photos = std::map<QString, Photo>;
    // Today's photos, read again at most once a second so a crowd of phones
    // does not reread the folder for every request.
    std::shared_ptr<const Photos> Current();
    static Photos ReadToday();

    std::mutex m_lock;
    std::shared_ptr<const Photos> m_photos;
    std::chrono::steady_clock::time_point m_readAt;
};
