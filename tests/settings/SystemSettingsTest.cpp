#include "settings/SystemSettings.h"

#include "compose/TemplateForm.h"
#include "compose/TemplateSettings.h"
#include "desk/RunLog.h"
#include "platform/Utf16File.h"
#include "settings/ReprintRules.h"

#include "desk/ProcessState.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/RunLogText.h"

#include <QFile>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>

namespace {

struct LoadCase
{
    const char *name;
    const SystemSettings::Key &key;
    const char *stored;
    int (*value)();
    int expected;
    const char *message; // empty when the stored value is taken as it stands
};

bool RunLogHolds(const QString &text)
{
    return RunLogCount(text) == 1;
}

} // namespace

// Every number the file holds outside its range is brought into range or
// refused, never silently: the message says which value is used.
TEST(SettingsLoad, StoredValuesOutsideTheirRangesAreSaidAndNeverTakenSilently)
{
    using namespace SystemSettings;
    const LoadCase cases[] = {
        {"size_below_range", ThumbnailSizeKey, "0", ThumbnailSize, 1, "缩略图大小“0”超出范围 1–15，已改用 1"},
        {"size_above_range", ThumbnailSizeKey, "16", ThumbnailSize, 15, "缩略图大小“16”超出范围 1–15，已改用 15"},
        {"size_in_range", ThumbnailSizeKey, "7", ThumbnailSize, 7, ""},
        {"size_letters", ThumbnailSizeKey, "big", ThumbnailSize, 3, "缩略图大小“big”不是数字，仍用 3"},
        {"size_missing", ThumbnailSizeKey, "Error", ThumbnailSize, 3, ""},
        {"pending_below_step", ThumbnailWaitPrintCountKey, "10", ThumbnailWaitPrintCount, 50,
         "待打印缩略图数量“10”超出范围 50–10000，已改用 50"},
        {"pending_missing", ThumbnailWaitPrintCountKey, "Error", ThumbnailWaitPrintCount, 500, ""},
        {"printed_below_step", ThumbnailPrintedCountKey, "99", ThumbnailPrintedCount, 100,
         "已打印缩略图数量“99”超出范围 100–10000，已改用 100"},
        {"printed_large", ThumbnailPrintedCountKey, "2000", ThumbnailPrintedCount, 2000, ""},
        {"quality_zero", PictureQualityKey, "0", PictureQuality, 10, "质量“0”超出范围 10–100，已改用 10"},
        {"quality_below_range", PictureQualityKey, "5", PictureQuality, 10, "质量“5”超出范围 10–100，已改用 10"},
        {"quality_above_range", PictureQualityKey, "150", PictureQuality, 100, "质量“150”超出范围 10–100，已改用 100"},
        {"quality_letters", PictureQualityKey, "abc", PictureQuality, 100, "质量“abc”不是数字，仍用 100"},
        {"quality_trailing_letters", PictureQualityKey, "80x", PictureQuality, 100, "质量“80x”不是数字，仍用 100"},
        {"quality_missing", PictureQualityKey, "Error", PictureQuality, 100, ""},
        {"wait_largest_int", WaitTimeKey, "2147483647", [] { return PrintDelaySeconds.load(); }, 60,
         "自动打印等待时间“2147483647”超出范围 1–60秒，已改用 60秒"},
        {"wait_more_digits_than_64_bits", WaitTimeKey, "99999999999999999999999", [] { return PrintDelaySeconds.load(); },
         60, "自动打印等待时间“99999999999999999999999”超出范围 1–60秒，已改用 60秒"},
        {"wait_negative", WaitTimeKey, "-3", [] { return PrintDelaySeconds.load(); }, 1,
         "自动打印等待时间“-3”超出范围 1–60秒，已改用 1秒"},
        {"wait_letters", WaitTimeKey, "x", [] { return PrintDelaySeconds.load(); }, 2,
         "自动打印等待时间“x”不是数字，仍用 2秒"},
        {"wait_zero_is_the_built_in", WaitTimeKey, "0", [] { return PrintDelaySeconds.load(); }, 2, ""},
        {"wait_in_range", WaitTimeKey, "5", [] { return PrintDelaySeconds.load(); }, 5, ""},
    };
    for (const LoadCase &c : cases) {
        ProgramFolder folder;
        std::filesystem::create_directories("Config/LOG");
        Store(c.key, c.stored);
        PrintDelaySeconds = 9;
        Load();
        EXPECT_EQ(c.value(), c.expected) << c.name;
        const QString message = QString::fromUtf8(c.message);
        EXPECT_EQ(LoadMessages(), message.isEmpty() ? QStringList() : QStringList{message}) << c.name;
        if (!message.isEmpty()) {
            EXPECT_TRUE(RunLogHolds(message)) << c.name;
        }
        // The file keeps what it held; the next start says it again until it is mended.
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

// What the operator types: the value used is taken and written, and the
// message says which one it is.
TEST(SettingsSave, TypedValuesAreCheckedTakenAndWrittenAsUsed)
{
    using namespace SystemSettings;
    const struct
    {
        CheckedNumber (*save)(const QString &);
        int (*value)();
        const Key &key;
        const char *typed;
        int expected;
        const char *message;
    } cases[] = {
        {SaveThumbnailSize, ThumbnailSize, ThumbnailSizeKey, "0", 1, "缩略图大小“0”超出范围 1–15，已改用 1"},
        {SaveThumbnailSize, ThumbnailSize, ThumbnailSizeKey, "16", 15, "缩略图大小“16”超出范围 1–15，已改用 15"},
        {SaveThumbnailSize, ThumbnailSize, ThumbnailSizeKey, " 7 ", 7, ""},
        {SaveThumbnailSize, ThumbnailSize, ThumbnailSizeKey, "", 3, "缩略图大小“”不是数字，仍用 3"},
        {SaveThumbnailWaitPrintCount, ThumbnailWaitPrintCount, ThumbnailWaitPrintCountKey, "10", 50,
         "待打印缩略图数量“10”超出范围 50–10000，已改用 50"},
        {SaveThumbnailPrintedCount, ThumbnailPrintedCount, ThumbnailPrintedCountKey, "99", 100,
         "已打印缩略图数量“99”超出范围 100–10000，已改用 100"},
        {SaveThumbnailPrintedCount, ThumbnailPrintedCount, ThumbnailPrintedCountKey, "2147483648", 10000,
         "已打印缩略图数量“2147483648”超出范围 100–10000，已改用 10000"},
        {SavePictureQuality, PictureQuality, PictureQualityKey, "0", 10, "质量“0”超出范围 10–100，已改用 10"},
        {SavePictureQuality, PictureQuality, PictureQualityKey, "abc", 100, "质量“abc”不是数字，仍用 100"},
        {SavePictureQuality, PictureQuality, PictureQualityKey, "250", 100, "质量“250”超出范围 10–100，已改用 100"},
        {SavePictureQuality, PictureQuality, PictureQualityKey, "80", 80, ""},
        {CommitWaitTime, [] { return PrintDelaySeconds.load(); }, WaitTimeKey, "2147483647", 60,
         "自动打印等待时间“2147483647”超出范围 1–60秒，已改用 60秒"},
        {CommitWaitTime, [] { return PrintDelaySeconds.load(); }, WaitTimeKey, "0", 1,
         "自动打印等待时间“0”超出范围 1–60秒，已改用 1秒"},
        {CommitWaitTime, [] { return PrintDelaySeconds.load(); }, WaitTimeKey, "soon", 2,
         "自动打印等待时间“soon”不是数字，仍用 2秒"},
    };
    for (const auto &c : cases) {
        ProgramFolder folder;
        std::filesystem::create_directories("Config/LOG");
        Load();
        const QString typed = QString::fromUtf8(c.typed);
        const CheckedNumber checked = c.save(typed);
        EXPECT_EQ(c.value(), c.expected) << c.typed;
        EXPECT_EQ(checked.value, c.expected) << c.typed;
        EXPECT_EQ(checked.message, QString::fromUtf8(c.message)) << c.typed;
        // The file holds the value used, so it is said once, not at every start.
        EXPECT_EQ(ReadStored(c.key, QStringLiteral("none")), QString::number(c.expected)) << c.typed;
        if (!checked.message.isEmpty()) {
            EXPECT_TRUE(RunLogHolds(checked.message)) << c.typed;
        }
    }
}

// Typing the wait time takes each text in range at once; one outside waits
// for the field to be left, so typing "15" never passes through a message.
TEST(SettingsSave, WaitTimeTakesInRangeTextsWhileTyped)
{
    ProgramFolder folder;
    SystemSettings::Load();
    SystemSettings::EditWaitTime(QStringLiteral("1"));
    EXPECT_EQ(PrintDelaySeconds, 1);
    SystemSettings::EditWaitTime(QStringLiteral("15"));
    EXPECT_EQ(PrintDelaySeconds, 15);
    SystemSettings::EditWaitTime(QStringLiteral("150"));
    EXPECT_EQ(PrintDelaySeconds, 15);
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::WaitTimeKey, {}), QStringLiteral("15"));
}

// The paper sizes a composition accepts: a side outside is refused and the
// size in force stays, since a paper brought to the nearer end would print
// the photos on a paper nobody chose.
TEST(SettingCheck, PaperSidesOutsideTheirRangeAreRefused)
{
    const struct
    {
        const char *typed;
        std::optional<int> inForce;
        std::optional<int> used;
        const char *message;
    } cases[] = {
        {"152", 100, 152, ""},
        {"99999", 152, 152, "打印纸宽“99999”超出范围 10–500 mm，仍用 152 mm"},
        {"1520", 152, 152, "打印纸宽“1520”超出范围 10–500 mm，仍用 152 mm"},
        {"0", 152, 152, "打印纸宽“0”超出范围 10–500 mm，仍用 152 mm"},
        {"-152", std::nullopt, std::nullopt, "打印纸宽“-152”超出范围 10–500 mm，未采用（没有可用的值）"},
        {"abc", std::nullopt, std::nullopt, "打印纸宽“abc”不是数字，未采用（没有可用的值）"},
        {"500", std::nullopt, 500, ""},
        {"10", std::nullopt, 10, ""},
    };
    for (const auto &c : cases) {
        const CheckedNumber checked = CheckNumber(Settings::PaperWidth(), QString::fromUtf8(c.typed), c.inForce);
        EXPECT_EQ(checked.value, c.used) << c.typed;
        EXPECT_EQ(checked.message, QString::fromUtf8(c.message)) << c.typed;
    }
}

namespace {

// A frame template settings file holding Proportion=0.5 and one more key.
void WriteTemplateKey(const char *key, const char *stored)
{
    QFile file(QStringLiteral("Config/TemplateSeting.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("[TemplateSeting]\r\n") + (qstrcmp(key, "Proportion") ? "Proportion=0.5\r\n" : "")
               + key + "=" + stored + "\r\n");
}

// The rules file with the given number lines after a folder line.
void WriteRulesLines(const char *numbers)
{
    ASSERT_TRUE(Utf16File::WriteText(ReprintRulesFile, QStringLiteral("/srv/info\n") + QString::fromUtf8(numbers)));
}

} // namespace

// The frame template settings and the automatic reprint rules have ranges
// too: a stored value outside is brought into range or refused, said in the
// hint line (the report) and the run log, and said once, not at every reload.
TEST(SettingsLoad, TemplateAndReprintValuesOutsideTheirRangesAreSaid)
{
    const struct
    {
        const char *name;
        std::function<void()> store;
        std::function<double()> value;
        double expected;
        const char *message;
    } cases[] = {
        {"scale_huge", [] { WriteTemplateKey("Proportion", "500"); }, [] { return CurrentTemplateSettings.Get().Proportion; },
         10, "缩放比例“500”超出范围 0.01–10，已改用 10"},
        {"scale_zero", [] { WriteTemplateKey("Proportion", "0"); }, [] { return CurrentTemplateSettings.Get().Proportion; },
         0.01, "缩放比例“0”超出范围 0.01–10，已改用 0.01"},
        {"scale_letters", [] { WriteTemplateKey("Proportion", "half"); }, [] { return CurrentTemplateSettings.Get().Proportion; },
         0.5, "缩放比例“half”不是数字，仍用 0.5"},
        {"scale_point_first", [] { WriteTemplateKey("Proportion", ".31"); }, [] { return CurrentTemplateSettings.Get().Proportion; },
         0.31, ""},
        {"corner_off_the_paper", [] { WriteTemplateKey("LeftRec", "99999"); }, [] { return double(CurrentTemplateSettings.Get().LeftRec); },
         1890, "左边距“99999”超出范围 -1890–1890，已改用 1890"},
        {"corner_default_place", [] { WriteTemplateKey("TopRec", "-1"); }, [] { return double(CurrentTemplateSettings.Get().TopRec); },
         -1, ""},
        {"label_size_huge", [] { WriteTemplateKey("TextSize", "5000"); }, [] { return double(CurrentTemplateSettings.Get().TextSize); },
         100, "字体大小“5000”超出范围 0–100，已改用 100"},
        {"label_size_letters", [] { WriteTemplateKey("TextSize", "13pt"); }, [] { return double(CurrentTemplateSettings.Get().TextSize); },
         10, "字体大小“13pt”不是数字，仍用 10"},
        {"colour_negative", [] { WriteTemplateKey("TextColor", "-5"); }, [] { return double(CurrentTemplateSettings.Get().TextColor); },
         0, "字体颜色“-5”超出范围 0–16777215，已改用 0"},
        {"label_kind_unknown", [] { WriteTemplateKey("PrintPictureIdentification", "7"); },
         [] { return double(CurrentTemplateSettings.Get().PrintPictureIdentification); }, 1,
         "标签内容（0 名称，1 编号）“7”超出范围 0–1，已改用 1"},
        {"label_place_far_off", [] { WriteTemplateKey("TextTopMargin", "-40000.5"); },
         [] { return CurrentTemplateSettings.Get().TextTopMargin; }, -1890, "标签上边距“-40000.5”超出范围 -1890–1890，已改用 -1890"},
        {"sample_too_large", [] { WriteTemplateKey("SampleImageWidth", "65000"); },
         [] { return double(CurrentTemplateSettings.Get().SampleImageWidth); }, 10000, "样张宽“65000”超出范围 0–10000，已改用 10000"},
        {"rules_minimum_huge", [] { WriteRulesLines("5000\n0\n-1"); }, [] { return double(CurrentReprintRules().minimum); },
         99, "最小补打数量“5000”超出范围 0–99，已改用 99"},
        {"rules_maximum_negative", [] { WriteRulesLines("0\n-4\n-1"); }, [] { return double(CurrentReprintRules().maximum); },
         0, "最大补打数量“-4”超出范围 0–99，已改用 0"},
        {"rules_maximum_letters", [] { WriteRulesLines("0\nten\n-1"); }, [] { return double(CurrentReprintRules().maximum); },
         10, "最大补打数量“ten”不是数字，仍用 10"},
        {"rules_reduction_below", [] { WriteRulesLines("0\n0\n-7"); }, [] { return double(CurrentReprintRules().reduction); },
         -1, "缩减数量“-7”超出范围 -1–99，已改用 -1"},
        {"rules_in_range", [] { WriteRulesLines("2\n5\n0"); }, [] { return double(CurrentReprintRules().maximum); }, 5, ""},
    };
    for (const auto &c : cases) {
        ProgramFolder folder;
        std::filesystem::create_directories("Config/LOG");
        ResetComposeStateForTests();
        SetReprintRules(ReprintRules{});
        QStringList reported;
        SetTemplateSettingsReport([&reported](const QString &text) {
            WriteRunLog(text);
            reported << text;
        });
        c.store();
        LoadTemplateSettings();
        LoadReprintRules();
        LoadTemplateSettings(); // a reload of the same file says nothing again
        SetTemplateSettingsReport({});
        EXPECT_NEAR(c.value(), c.expected, 1e-6) << c.name; // the scale is held as a float
        const QString message = QString::fromUtf8(c.message);
        const QStringList said = reported + ReprintRulesLoadMessages();
        EXPECT_EQ(said, message.isEmpty() ? QStringList() : QStringList{message}) << c.name;
        if (!message.isEmpty()) {
            EXPECT_TRUE(RunLogHolds(message)) << c.name;
        }
    }
    SetReprintRules(ReprintRules{});
    ResetComposeStateForTests();
}

// Typed in the frame template dialog or on the reprint rules' page: the
// fields get the value used and the file holds it, so it is said once.
TEST(SettingsSave, TypedTemplateAndReprintValuesAreCheckedAndWrittenAsUsed)
{
    const struct
    {
        QString TemplateForm::*field;
        const char *typed;
        const char *used;
        const char *message;
    } formCases[] = {
        {&TemplateForm::scale, "99", "10", "缩放比例“99”超出范围 0.01–10，已改用 10"},
        {&TemplateForm::scale, "0,5", "0.5", "缩放比例“0,5”不是数字，仍用 0.5"},
        {&TemplateForm::scale, "0.31", "0.31", ""},
        {&TemplateForm::leftMargin, "-30000", "-1890", "左边距“-30000”超出范围 -1890–1890，已改用 -1890"},
        {&TemplateForm::topMargin, "0", "0", ""},
        {&TemplateForm::textSize, "900", "100", "字体大小“900”超出范围 0–100，已改用 100"},
    };
    for (const auto &c : formCases) {
        TemplateForm form;
        form.scale = QStringLiteral("0.5");
        form.leftMargin = form.topMargin = QStringLiteral("23");
        form.textSize = QStringLiteral("13");
        form.*c.field = QString::fromUtf8(c.typed);
        const QStringList messages = CheckTemplateForm(form, TemplateSettings{});
        EXPECT_EQ(form.*c.field, QString::fromUtf8(c.used)) << c.typed;
        const QString message = QString::fromUtf8(c.message);
        EXPECT_EQ(messages, message.isEmpty() ? QStringList() : QStringList{message}) << c.typed;
    }

    const struct
    {
        ReprintRulesTexts typed;
        ReprintRulesTexts used;
        const char *message;
    } rulesCases[] = {
        {{"/srv/info", "2", "500", "-1"}, {"/srv/info", "2", "99", "-1"}, "最大补打数量“500”超出范围 0–99，已改用 99"},
        {{"/srv/info", "two", "5", "0"}, {"/srv/info", "0", "5", "0"}, "最小补打数量“two”不是数字，仍用 0"},
        {{"/srv/info", "1", "0", "-9"}, {"/srv/info", "1", "0", "-1"}, "缩减数量“-9”超出范围 -1–99，已改用 -1"},
        {{"/srv/info", " 3 ", "4", "1"}, {"/srv/info", "3", "4", "1"}, ""},
    };
    for (const auto &c : rulesCases) {
        ProgramFolder folder;
        std::filesystem::create_directories("Config/LOG");
        SetReprintRules(ReprintRules{});
        const ReprintRulesSave save = SaveReprintRules(c.typed);
        ASSERT_TRUE(save) << c.typed.maximum.toStdString();
        const auto texts = [](const ReprintRulesTexts &t) { return QStringList{t.folder, t.minimum, t.maximum, t.reduction}; };
        EXPECT_EQ(texts(save.used), texts(c.used));
        const QString message = QString::fromUtf8(c.message);
        EXPECT_EQ(save.messages, message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            EXPECT_TRUE(RunLogHolds(message));
        }
        // The file and the rules in force hold the values used.
        EXPECT_EQ(ReadReprintRulesFile().messages, QStringList());
        EXPECT_EQ(CurrentReprintRules().maximum, c.used.maximum.toInt());
    }
    SetReprintRules(ReprintRules{});
}
