#include "settings/SystemSettings.h"

#include "desk/ProcessState.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct LoadCase
{
    const char *name;
    const SystemSettings::Key &key;
    const char *stored;
    int (*value)();
    int expected;
};

void Store(const SystemSettings::Key &key, const char *text)
{
    ASSERT_TRUE(SystemSettings::Store(key, QString::fromUtf8(text)));
}

} // namespace

TEST(SettingsLoad, ClampsStoredValuesAndLeavesTheFileAsTyped)
{
    using namespace SystemSettings;
    const LoadCase cases[] = {
        {"size_below_range", ThumbnailSizeKey, "0", ThumbnailSize, 1},
        {"size_above_range", ThumbnailSizeKey, "16", ThumbnailSize, 15},
        {"size_in_range", ThumbnailSizeKey, "7", ThumbnailSize, 7},
        {"size_letters", ThumbnailSizeKey, "big", ThumbnailSize, 1},
        {"size_missing", ThumbnailSizeKey, "Error", ThumbnailSize, 3},
        {"pending_below_step", ThumbnailWaitPrintCountKey, "10", ThumbnailWaitPrintCount, 50},
        {"pending_missing", ThumbnailWaitPrintCountKey, "Error", ThumbnailWaitPrintCount, 500},
        {"printed_below_step", ThumbnailPrintedCountKey, "99", ThumbnailPrintedCount, 100},
        {"printed_large", ThumbnailPrintedCountKey, "2000", ThumbnailPrintedCount, 2000},
        {"quality_below_range", PictureQualityKey, "5", PictureQuality, 10},
        {"quality_above_range", PictureQualityKey, "150", PictureQuality, 100},
        {"quality_missing", PictureQualityKey, "Error", PictureQuality, 100},
    };
    for (const LoadCase &c : cases) {
        ProgramFolder folder;
        Store(c.key, c.stored);
        Load();
        EXPECT_EQ(c.value(), c.expected) << c.name;
        EXPECT_EQ(ReadStored(c.key, QStringLiteral("none")), QString::fromUtf8(c.stored)) << c.name;
    }
}

TEST(SettingsLoad, MissingFileGivesBuiltInValues)
{
    ProgramFolder folder;
    PrintDelaySeconds = 9;
    SystemSettings::Load();
    EXPECT_EQ(SystemSettings::ThumbnailSize(), 3);
    EXPECT_EQ(SystemSettings::ThumbnailWaitPrintCount(), 500);
    EXPECT_EQ(SystemSettings::ThumbnailPrintedCount(), 500);
    EXPECT_EQ(SystemSettings::PictureQuality(), 100);
    EXPECT_TRUE(SystemSettings::PhoneReprintFolder().isEmpty());
    EXPECT_TRUE(SystemSettings::ArchiveFolder().isEmpty());
    EXPECT_FALSE(SystemSettings::CaptureOnTop());
    EXPECT_EQ(PrintDelaySeconds, 2);
}

TEST(SettingsLoad, TakesFoldersFlagAndWaitTime)
{
    ProgramFolder folder;
    Store(SystemSettings::PhoneFolderKey, "D:\\Phone drop");
    Store(SystemSettings::ArchiveFolderKey, "/srv/backup");
    Store(SystemSettings::CaptureOnTopKey, "1");
    Store(SystemSettings::WaitTimeKey, "5");
    SystemSettings::Load();
    EXPECT_EQ(SystemSettings::PhoneReprintFolder(), QStringLiteral("D:\\Phone drop"));
    EXPECT_EQ(SystemSettings::ArchiveFolder(), QStringLiteral("/srv/backup"));
    EXPECT_TRUE(SystemSettings::CaptureOnTop());
    EXPECT_EQ(PrintDelaySeconds, 5);
}

TEST(SettingsLoad, WaitTimeZeroKeepsTwoSecondsAndNegativeWaitsNone)
{
    const struct
    {
        const char *stored;
        int expected;
    } cases[] = {{"0", 2}, {"5", 5}, {"-3", 0}, {"x", 0}};
    for (const auto &c : cases) {
        ProgramFolder folder;
        Store(SystemSettings::WaitTimeKey, c.stored);
        PrintDelaySeconds = 7;
        SystemSettings::Load();
        EXPECT_EQ(PrintDelaySeconds, c.expected) << c.stored;
    }
}

TEST(SettingsSave, ClampsDisplayValuesInMemoryAndFile)
{
    using namespace SystemSettings;
    const struct
    {
        int (*save)(int);
        int (*value)();
        const Key &key;
        int typed;
        int expected;
    } cases[] = {
        {SaveThumbnailSize, ThumbnailSize, ThumbnailSizeKey, 0, 1},
        {SaveThumbnailSize, ThumbnailSize, ThumbnailSizeKey, 16, 15},
        {SaveThumbnailSize, ThumbnailSize, ThumbnailSizeKey, 7, 7},
        {SaveThumbnailWaitPrintCount, ThumbnailWaitPrintCount, ThumbnailWaitPrintCountKey, 10, 50},
        {SaveThumbnailPrintedCount, ThumbnailPrintedCount, ThumbnailPrintedCountKey, 99, 100},
    };
    for (const auto &c : cases) {
        ProgramFolder folder;
        Load();
        EXPECT_EQ(c.save(c.typed), c.expected) << c.typed;
        EXPECT_EQ(c.value(), c.expected) << c.typed;
        EXPECT_EQ(ReadStored(c.key, QStringLiteral("none")), QString::number(c.expected)) << c.typed;
    }
}
