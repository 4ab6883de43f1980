#include "phone/PrintedPhotos.h"

#include "compose/PictureNumber.h"
#include "platform/DecimalText.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"

#include <QDir>

#include <set>

namespace {

constexpr auto FreshFor = std::chrono::seconds(1);

bool AllDigits(const QString &text)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    for (const QChar c : text)
        if (!c.isDigit() || c.unicode() > 0x7f)
            return false;
    return true;
}

} // namespace

std::optional<PrintedPhotos::Photo> PrintedPhotos::Find(const QString &text)
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    const std::shared_ptr<const Photos> photos = Current();
    if (const auto named = photos->find(wanted); named != photos->end())
        return named->second;
    if (!AllDigits(wanted))
        return std::nullopt;
    const int number = LeadingDigitsValue(wanted);
    for (const auto &[name, photo] : *photos)
        if (number > 0 && PictureNumberOf(name) == number)
            return photo;
    return std::nullopt;
}

QStringList PrintedPhotos::Names()
{
    QStringList names;
    for (const auto &[name, photo] : *Current())
        names.append(name);
    return names;
}

std::shared_ptr<const PrintedPhotos::Photos> PrintedPhotos::Current()
{
    const std::lock_guard lock(m_lock);
    const auto now = std::chrono::steady_clock::now();
    if (!m_photos || now - m_readAt >= FreshFor) {
        m_photos = std::make_shared<const Photos>(ReadToday());
        m_readAt = now;
    }
    return m_photos;
}

PrintedPhotos::Photos PrintedPhotos::ReadToday()
{
    std::set<QString> printed;
    for (const QString &line : Utf16File::ReadLines(PrintRecordFile(TodayStamp())).value_or(QStringList())) {
        const CountRecord record = ParseCountLine(line);
        if (!record.name.isEmpty())
            printed.insert(record.name);
    }
    Photos photos;
    const QFileInfoList files = QDir(QStringLiteral("Pic_R")).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        const QString name = PictureNumberKey(file.fileName());
        // A name that starts with "." is kept whole by the desk, so it would
        // not survive as the first part of an order's file name.
        if (name.startsWith(QLatin1Char('.')) || !printed.count(name) || photos.count(name))
            continue;
        photos.emplace(name, Photo{name, file.filesystemFilePath()});
    }
    return photos;
}
