#pragma once

#include <QString>

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

// Ranges the values are held to.
constexpr int MinThumbnailSize = 1;
constexpr int MaxThumbnailSize = 15;
constexpr int MinThumbnailWaitPrintCount = 50;
constexpr int MinThumbnailPrintedCount = 100;
constexpr int MinPictureQuality = 10;
constexpr int MaxPictureQuality = 100;

// The stored text of one entry (at most 99 characters), or the fallback.
QString ReadStored(const Key &key, const QString &fallback);
// Writes the text as given; false when the file could not be written.
bool Store(const Key &key, const QString &text);

// Every value at its built-in, as a program start finds it before Load (and
// a test before each program life).
void ResetToBuiltIns();

// Start-up: resets every value to its built-in, then takes each entry the
// file holds, clamped to its range. An entry reading "Error" keeps the
// built-in; a wait time of "0" keeps the built-in 2 seconds (PrintDelaySeconds).
void Load();

QString PhoneReprintFolder();
QString ArchiveFolder();
int ThumbnailSize();
int ThumbnailWaitPrintCount();
int ThumbnailPrintedCount();
int PictureQuality();
bool CaptureOnTop();

// Each takes the value at once and writes it to the file; the numeric ones
// clamp first and return the value taken (which is also what is written).
void SavePhoneReprintFolder(const QString &folder);
void SaveArchiveFolder(const QString &folder);
int SaveThumbnailSize(int size);
int SaveThumbnailWaitPrintCount(int count);
int SaveThumbnailPrintedCount(int count);
void SaveCaptureOnTop(bool onTop);

// Quality as the print manager page keeps it: used clamped, never stored here.
int SetPictureQuality(int quality);

// The wait-time field as typed: its integer becomes the print delay at once
// and the text is written unchanged.
void SaveWaitTimeText(const QString &text);

// A print delay taken from a wait-time text: its integer, never negative,
// because a negative pause would stall a print job instead of skipping the wait.
int WaitSecondsOf(const QString &text);

} // namespace SystemSettings
