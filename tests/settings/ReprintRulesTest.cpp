#include "ReprintRules.h"

#include "ProgramFolder.h"
#include "Utf16File.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct CountCase
{
    const char *name;
    int people;
    int quantity;
    int minimum;
    int maximum;
    int reduction;
    int expected;
};

// The expected counts are the rule's own worked examples, quirks included.
const CountCase countCases[] = {
    {"no_limit_kept", 5, 0, 0, 0, -1, 5},
    {"no_limit_halved", 5, 0, 0, 0, 0, 2},
    {"no_limit_minus_two", 5, 0, 0, 0, 2, 3},
    {"reduction_below_zero_gives_zero", 5, 0, 0, 0, 7, 0},
    {"maximum_tops_up_to_limit", 5, 1, 0, 3, -1, 2},
    {"maximum_reached", 5, 3, 0, 3, -1, 0},
    {"maximum_passed", 5, 4, 0, 3, -1, 0},
    {"minimum_without_maximum", 0, 0, 2, 0, -1, 2},
    {"minimum_added_in_full_not_topped_up", 0, 1, 2, 0, -1, 2},
    {"people_above_minimum", 3, 0, 2, 0, -1, 3},
    {"minimum_below_maximum", 1, 0, 2, 5, -1, 2},
    {"minimum_gives_way_when_quantity_reaches_maximum", 1, 3, 2, 5, -1, 1},
    {"minimum_above_maximum_wins", 1, 0, 3, 2, -1, 3},
    {"extreme_counts_do_not_overflow", 2147483647, 2147483647, 0, 0, -1, 2147483647},
};

} // namespace

TEST(SettingsReprintCount, GivesTheRuleResults)
{
    for (const CountCase &c : countCases) {
        const ReprintRules rules{QString(), c.minimum, c.maximum, c.reduction};
        EXPECT_EQ(ReprintCount(c.people, c.quantity, rules), c.expected) << c.name;
    }
}

TEST(SettingsReprintCount, UsesTheRulesInForce)
{
    SetReprintRules(ReprintRules{QString(), 0, 3, -1});
    EXPECT_EQ(ReprintCount(5, 1), 2);
    SetReprintRules(ReprintRules{});
}

TEST(SettingsRulesFile, SaveWritesFourUtf16LinesAndReadsThemBack)
{
    ProgramFolder folder;
    SetReprintRules(ReprintRules{});

    ASSERT_TRUE(SaveReprintRules({QStringLiteral("D:\\My Photos\\info"), QStringLiteral("1"), QStringLiteral("0"),
                                  QStringLiteral("-1")}));

    // UTF-16LE without byte-order mark, bare line feeds, nothing after the last line.
    QByteArray expected;
    for (const char16_t unit : u"D:\\My Photos\\info\n1\n0\n-1") {
        if (unit == 0)
            break;
        expected.append(char(unit & 0xFF)).append(char(unit >> 8));
    }
    QFile file(QStringLiteral("Config/AutoAddPrintInfo.vellora"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toHex(' '), expected.toHex(' '));

    const ReprintRules inForce = CurrentReprintRules();
    EXPECT_EQ(inForce.AutoReprintFolder, QStringLiteral("D:\\My Photos\\info"));
    EXPECT_EQ(inForce.minimum, 1);
    EXPECT_EQ(inForce.maximum, 0);
    EXPECT_EQ(inForce.reduction, -1);

    const StoredReprintRules stored = ReadReprintRulesFile();
    EXPECT_EQ(stored.folder.value_or(QString()), QStringLiteral("D:\\My Photos\\info"));
    EXPECT_EQ(stored.minimum, 1);
    EXPECT_EQ(stored.maximum, 0);
    EXPECT_EQ(stored.reduction, -1);
    SetReprintRules(ReprintRules{});
}

TEST(SettingsRulesFile, SaveWithAnEmptyTextChangesNothing)
{
    ProgramFolder folder;
    const ReprintRules before{QStringLiteral("keep"), 1, 2, 3};
    SetReprintRules(before);

    const ReprintRulesTexts full{QStringLiteral("f"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    for (QString ReprintRulesTexts::*field : {&ReprintRulesTexts::folder, &ReprintRulesTexts::minimum,
                                               &ReprintRulesTexts::maximum, &ReprintRulesTexts::reduction}) {
        ReprintRulesTexts texts = full;
        texts.*field = QString();
        EXPECT_FALSE(SaveReprintRules(texts));
    }
    EXPECT_FALSE(std::filesystem::exists(ReprintRulesFile));
    EXPECT_EQ(CurrentReprintRules().AutoReprintFolder, QStringLiteral("keep"));
    EXPECT_EQ(CurrentReprintRules().reduction, 3);
    SetReprintRules(ReprintRules{});
}

TEST(SettingsRulesFile, ReadsFirstWordsAndKeepsWhatTheFileLacks)
{
    ProgramFolder folder;
    // Hand-edited: a CR LF after the folder, words after the number, letters, an extra line.
    ASSERT_TRUE(Utf16File::WriteText(ReprintRulesFile, u"E:\\info dir\r\n  12abc more\nletters\n-3\n99\n"));
    const StoredReprintRules stored = ReadReprintRulesFile();
    EXPECT_EQ(stored.folder.value_or(QString()), QStringLiteral("E:\\info dir"));
    EXPECT_EQ(stored.minimum, 12);
    EXPECT_EQ(stored.maximum, 0);
    EXPECT_EQ(stored.reduction, -3);

    // Two lines only: the maximum and the reduction in force stay.
    ASSERT_TRUE(Utf16File::WriteText(ReprintRulesFile, u"F:\\x\n4\n"));
    SetReprintRules(ReprintRules{QString(), 0, 10, -1});
    LoadReprintRules();
    const ReprintRules loaded = CurrentReprintRules();
    EXPECT_EQ(loaded.AutoReprintFolder, QStringLiteral("F:\\x"));
    EXPECT_EQ(loaded.minimum, 4);
    EXPECT_EQ(loaded.maximum, 10);
    EXPECT_EQ(loaded.reduction, -1);
    SetReprintRules(ReprintRules{});
}

TEST(SettingsRulesFile, MissingFileIsCreatedEmptyAndChangesNothing)
{
    ProgramFolder folder;
    SetReprintRules(ReprintRules{QStringLiteral("old"), 1, 2, 3});
    LoadReprintRules();
    EXPECT_TRUE(std::filesystem::exists(ReprintRulesFile));
    EXPECT_EQ(std::filesystem::file_size(ReprintRulesFile), 0u);
    EXPECT_EQ(CurrentReprintRules().AutoReprintFolder, QStringLiteral("old"));
    EXPECT_EQ(CurrentReprintRules().maximum, 2);
    SetReprintRules(ReprintRules{});
}
