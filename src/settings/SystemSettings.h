#pragma once

#include "settings/SettingCheck.h"

#include <QString>
#include <QStringList>

#include <filesystem>

// The system settings of "Config/SystemSeting.ini": loaded once at start-up,
// changed by the system settings page, and read from here by every part of
// the program. Values are safe to read from any thread.
namespace SystemSettings {

inline const std::filesystem::path File{"Config/SystemSeting.ini"};

// One entry of the settings file.
struct Key
{
    QString section;
    QString key;
};

inline const Key PhoneFolderKey{QStringLiteral("PhonePathSeting"), QStringLiteral("path")};
inline const Key ThumbnailSizeKey{QStringLiteral("ViewSetting"), QStringLiteral("ThumbnailSize")};
inline const Key ThumbnailWaitPrintCountKey{QStringLiteral("ViewSetting"), QStringLiteral("ThumbnailWaitPrintCount")};
inline const Key ThumbnailPrintedCountKey{QStringLiteral("ViewSetting"), QStringLiteral("ThumbnailPrintedCount")};
inline const Key ArchiveFolderKey{QStringLiteral("PictureBackupFolderPathSetting"), QStringLiteral("path")};
inline const Key PictureQualityKey{QStringLiteral("SynthesisPictureQuality"), QStringLiteral("value")};
inline const Key CaptureOnTopKey{QStringLiteral("CombinationTakePicturesSetting"), QStringLiteral("Set_Capture_On_Top")};
inline const Key WaitTimeKey{QStringLiteral("SoftWareSetting"), QStringLiteral("event_waite_time")};

// Built-in values, in force until the file says otherwise.
constexpr int BuiltInThumbnailSize = 3;
constexpr int BuiltInThumbnailCount = 500;
constexpr int BuiltInPictureQuality = 100;
constexpr int BuiltInWaitSeconds = 2;

// The stored text of one entry (whole, whatever its length), or the fallback.
QString ReadStored(const Key &key, const QString &fallback);
// Writes the text as given; false when the file could not be written.
bool Store(const Key &key, const QString &text);

// Every value at its built-in, as a program start finds it before Load (and
// a test before each program life).
void ResetToBuiltIns();

// Start-up: resets every value to its built-in, then takes each entry the
// file holds, checked against its range (SettingCheck): a value outside is
// brought into range or refused, and said so in the run log. An entry
// reading "Error" keeps the built-in; a wait time of "0" keeps the built-in
// 2 seconds (PrintDelaySeconds).
void Load();
// What the last Load did not take as stored, one message per value.
QStringList LoadMessages();

QString PhoneReprintFolder();
QString ArchiveFolder();
int ThumbnailSize();
int ThumbnailWaitPrintCount();
int ThumbnailPrintedCount();
int PictureQuality();
bool CaptureOnTop();

// Each takes the value at once and writes it to the file.
void SavePhoneReprintFolder(const QString &folder);
void SaveArchiveFolder(const QString &folder);
void SaveCaptureOnTop(bool onTop);

// The numbers as typed: each is checked against its range, the value used is
// taken and written, and a message for a value not taken as typed goes to the
// run log and back to the caller for its field and hint line.
CheckedNumber SaveThumbnailSize(const QString &typed);
CheckedNumber SaveThumbnailWaitPrintCount(const QString &typed);
CheckedNumber SaveThumbnailPrintedCount(const QString &typed);
// The print manager page's quality field.
CheckedNumber SavePictureQuality(const QString &typed);

// The wait-time field while it is typed in: a text in range becomes the
// print delay at once and is written; anything else waits for the commit.
void EditWaitTime(const QString &typed);
// The wait-time field left: checked, taken and written like the numbers above.
CheckedNumber CommitWaitTime(const QString &typed);

} // namespace SystemSettings
