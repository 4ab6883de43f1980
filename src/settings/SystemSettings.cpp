#include "settings/SystemSettings.h"

#include "desk/ProcessState.h"
#include "desk/RunLog.h"
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

QStringList loadMessages;

// Says in the run log what became of a value not taken as it stood.
const CheckedNumber &Logged(const CheckedNumber &checked)
{
    if (!checked.message.isEmpty())
        WriteRunLog(checked.message);
    return checked;
}

// Reads a numeric entry through its check; a missing entry leaves the value.
void LoadNumber(const Key &key, std::atomic<int> &value, const NumberSetting &setting)
{
    const QString text = ReadStored(key, MissingText);
    if (text == MissingText)
        return;
    const CheckedNumber checked = Logged(CheckNumber(setting, text, value.load()));
    if (checked.value)
        value = *checked.value;
    if (!checked.message.isEmpty())
        loadMessages.append(checked.message);
}

void LoadText(const Key &key, SharedText &value)
{
    const QString text = ReadStored(key, MissingText);
    if (text != MissingText)
        value.Set(text);
}

// Takes a typed number through its check and writes the value used.
CheckedNumber SaveNumber(const Key &key, std::atomic<int> &value, const QString &typed, const NumberSetting &setting)
{
    const CheckedNumber checked = Logged(CheckNumber(setting, typed, value.load()));
    if (checked.value) {
        value = *checked.value;
        Store(key, QString::number(*checked.value));
    }
    return checked;
}

} // namespace

QString ReadStored(const Key &key, const QString &fallback)
{
    return Profile::Read(File, key.section, key.key, fallback, Profile::WholeValue);
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
    loadMessages.clear();

    LoadText(PhoneFolderKey, phoneReprintFolder);
    LoadText(ArchiveFolderKey, archiveFolder);
    LoadNumber(ThumbnailSizeKey, thumbnailSize, Settings::ThumbnailSize());
    LoadNumber(ThumbnailWaitPrintCountKey, thumbnailWaitPrintCount, Settings::ThumbnailWaitPrintCount());
    LoadNumber(ThumbnailPrintedCountKey, thumbnailPrintedCount, Settings::ThumbnailPrintedCount());
    LoadNumber(PictureQualityKey, pictureQuality, Settings::PictureQuality());
    captureOnTop = ReadStored(CaptureOnTopKey, QStringLiteral("0")) != QStringLiteral("0");

    // A stored "0" is what a cleared field left behind in earlier versions: the built-in wait stays.
    std::atomic<int> waitSeconds{PrintDelaySeconds.load()};
    if (ReadStored(WaitTimeKey, QStringLiteral("0")) != QStringLiteral("0"))
        LoadNumber(WaitTimeKey, waitSeconds, Settings::WaitTime());
    PrintDelaySeconds = waitSeconds.load();
}

QStringList LoadMessages()
{
    return loadMessages;
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

void SaveCaptureOnTop(bool onTop)
{
    captureOnTop = onTop;
    Store(CaptureOnTopKey, onTop ? QStringLiteral("1") : QStringLiteral("0"));
}

CheckedNumber SaveThumbnailSize(const QString &typed)
{
    return SaveNumber(ThumbnailSizeKey, thumbnailSize, typed, Settings::ThumbnailSize());
}

CheckedNumber SaveThumbnailWaitPrintCount(const QString &typed)
{
    return SaveNumber(ThumbnailWaitPrintCountKey, thumbnailWaitPrintCount, typed, Settings::ThumbnailWaitPrintCount());
}

CheckedNumber SaveThumbnailPrintedCount(const QString &typed)
{
    return SaveNumber(ThumbnailPrintedCountKey, thumbnailPrintedCount, typed, Settings::ThumbnailPrintedCount());
}

CheckedNumber SavePictureQuality(const QString &typed)
{
    return SaveNumber(PictureQualityKey, pictureQuality, typed, Settings::PictureQuality());
}

void EditWaitTime(const QString &typed)
{
    const CheckedNumber checked = CheckNumber(Settings::WaitTime(), typed, std::nullopt);
    if (checked.message.isEmpty() && checked.value) {
        PrintDelaySeconds = *checked.value;
        Store(WaitTimeKey, QString::number(*checked.value));
    }
}

CheckedNumber CommitWaitTime(const QString &typed)
{
    // The print delay is a plain shared value, read by the print jobs.
    std::atomic<int> waitSeconds{PrintDelaySeconds.load()};
    const CheckedNumber checked = SaveNumber(WaitTimeKey, waitSeconds, typed, Settings::WaitTime());
    PrintDelaySeconds = waitSeconds.load();
    return checked;
}

} // namespace SystemSettings
