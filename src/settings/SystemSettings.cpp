#include "settings/SystemSettings.h"

#include "desk/ProcessState.h"
#include "platform/DecimalText.h"
#include "platform/Profile.h"

#include <algorithm>
#include <atomic>

namespace SystemSettings {

namespace {

// "Error" is what a missing entry reads as; it leaves the built-in value.
const QString MissingText = QStringLiteral("Error");

std::atomic<int> thumbnailSize{BuiltInThumbnailSize};
std::atomic<int> thumbnailWaitPrintCount{BuiltInThumbnailCount};
std::atomic<int> thumbnailPrintedCount{BuiltInThumbnailCount};
std::atomic<int> pictureQuality{BuiltInPictureQuality};
std::atomic<bool> captureOnTop{false};
SharedText phoneReprintFolder;
SharedText archiveFolder;

int ClampThumbnailSize(int size)
{
    return std::clamp(size, MinThumbnailSize, MaxThumbnailSize);
}

int ClampThumbnailWaitPrintCount(int count)
{
    return std::max(count, MinThumbnailWaitPrintCount);
}

int ClampThumbnailPrintedCount(int count)
{
    return std::max(count, MinThumbnailPrintedCount);
}

int ClampPictureQuality(int quality)
{
    return std::clamp(quality, MinPictureQuality, MaxPictureQuality);
}

// Reads a numeric entry into the value through its clamp; a missing entry leaves the value.
void LoadNumber(const Key &key, std::atomic<int> &value, int (*clamp)(int))
{
    const QString text = ReadStored(key, MissingText);
    if (text != MissingText)
        value = clamp(DecimalValue(text));
}

void LoadText(const Key &key, SharedText &value)
{
    const QString text = ReadStored(key, MissingText);
    if (text != MissingText)
        value.Set(text);
}

int SaveNumber(const Key &key, std::atomic<int> &value, int typed, int (*clamp)(int))
{
    const int taken = clamp(typed);
    value = taken;
    Store(key, QString::number(taken));
    return taken;
}

} // namespace

QString ReadStored(const Key &key, const QString &fallback)
{
    return Profile::Read(File, key.section, key.key, fallback);
}

bool Store(const Key &key, const QString &text)
{
    return Profile::Write(File, key.section, key.key, text);
}

void ResetToBuiltIns()
{
    thumbnailSize = BuiltInThumbnailSize;
    thumbnailWaitPrintCount = BuiltInThumbnailCount;
    thumbnailPrintedCount = BuiltInThumbnailCount;
    pictureQuality = BuiltInPictureQuality;
    captureOnTop = false;
    phoneReprintFolder.Set(QString());
    archiveFolder.Set(QString());
    PrintDelaySeconds = BuiltInWaitSeconds;
}

void Load()
{
    ResetToBuiltIns();
    LoadText(PhoneFolderKey, phoneReprintFolder);
    LoadText(ArchiveFolderKey, archiveFolder);
    LoadNumber(ThumbnailSizeKey, thumbnailSize, ClampThumbnailSize);
    LoadNumber(ThumbnailWaitPrintCountKey, thumbnailWaitPrintCount, ClampThumbnailWaitPrintCount);
    LoadNumber(ThumbnailPrintedCountKey, thumbnailPrintedCount, ClampThumbnailPrintedCount);
    LoadNumber(PictureQualityKey, pictureQuality, ClampPictureQuality);
    captureOnTop = ReadStored(CaptureOnTopKey, QStringLiteral("0")) != QStringLiteral("0");

    // A stored "0" is what a cleared or zero field leaves behind: the built-in wait stays.
    const QString waitTime = ReadStored(WaitTimeKey, QStringLiteral("0"));
    if (waitTime != QStringLiteral("0"))
        PrintDelaySeconds = WaitSecondsOf(waitTime);
}

QString PhoneReprintFolder()
{
    return phoneReprintFolder.Get();
}

QString ArchiveFolder()
{
    return archiveFolder.Get();
}

int ThumbnailSize()
{
    return thumbnailSize;
}

int ThumbnailWaitPrintCount()
{
    return thumbnailWaitPrintCount;
}

int ThumbnailPrintedCount()
{
    return thumbnailPrintedCount;
}

int PictureQuality()
{
    return pictureQuality;
}

bool CaptureOnTop()
{
    return captureOnTop;
}

void SavePhoneReprintFolder(const QString &folder)
{
    phoneReprintFolder.Set(folder);
    Store(PhoneFolderKey, folder);
}

void SaveArchiveFolder(const QString &folder)
{
    archiveFolder.Set(folder);
    Store(ArchiveFolderKey, folder);
}

int SaveThumbnailSize(int size)
{
    return SaveNumber(ThumbnailSizeKey, thumbnailSize, size, ClampThumbnailSize);
}

int SaveThumbnailWaitPrintCount(int count)
{
    return SaveNumber(ThumbnailWaitPrintCountKey, thumbnailWaitPrintCount, count, ClampThumbnailWaitPrintCount);
}

int SaveThumbnailPrintedCount(int count)
{
    return SaveNumber(ThumbnailPrintedCountKey, thumbnailPrintedCount, count, ClampThumbnailPrintedCount);
}

void SaveCaptureOnTop(bool onTop)
{
    captureOnTop = onTop;
    Store(CaptureOnTopKey, onTop ? QStringLiteral("1") : QStringLiteral("0"));
}

int SetPictureQuality(int quality)
{
    pictureQuality = ClampPictureQuality(quality);
    return pictureQuality;
}

void SaveWaitTimeText(const QString &text)
{
    PrintDelaySeconds = WaitSecondsOf(text);
    Store(WaitTimeKey, text);
}

int WaitSecondsOf(const QString &text)
{
    return std::max(DecimalValue(text), 0);
}

} // namespace SystemSettings
