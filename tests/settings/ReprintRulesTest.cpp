#include "settings/ReprintRules.h"

#include "platform/Utf16File.h"
#include "tests/support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const ReprintRules &rules, std::ostream *out)
{
    *out << '{' << rules.AutoReprintFolder.toStdString() << ", " << rules.minimum << ", " << rules.maximum << ", "
         << rules.reduction << '}';
}

void PrintTo(const StoredReprintRules &stored, std::ostream *out)
{
    const auto number = [](const std::optional<int> &value) { return value ? std::to_string(*value) : "-"; };
    *out << '{' << (stored.folder ? stored.folder->toStdString() : "-") << ", " << number(stored.minimum) << ", "
         << number(stored.maximum) << ", " << number(stored.reduction) << '}';
}

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

// A program folder whose rules in force start from the built-ins and are put back afterwards.
struct RulesProgram
{
    explicit RulesProgram(const ReprintRules &rules = {}) { SetReprintRules(rules); }
    ~RulesProgram() { SetReprintRules(ReprintRules{}); }

    ProgramFolder folder;
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
    RulesProgram program(ReprintRules{QString(), 0, 3, -1});
    EXPECT_EQ(ReprintCount(5, 1), 2);
}

TEST(SettingsRulesFile, SaveWritesFourUtf16LinesAndReadsThemBack)
{
    RulesProgram program;
    ASSERT_TRUE(SaveReprintRules({QStringLiteral("D:\\My Photos\\info"), QStringLiteral("1"), QStringLiteral("0"),
                                  QStringLiteral("-1")}));

    // UTF-16LE without byte-order mark, bare line feeds, nothing after the last line.
    QByteArray expected;
    for (const char16_t unit : std::u16string_view(u"D:\\My Photos\\info\n1\n0\n-1"))
        expected.append(char(unit & 0xFF)).append(char(unit >> 8));
    QFile file(QStringLiteral("Config/AutoAddPrintInfo.vellora"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toHex(' '), expected.toHex(' '));

    EXPECT_EQ(CurrentReprintRules(), (ReprintRules{QStringLiteral("D:\\My Photos\\info"), 1, 0, -1}));
    EXPECT_EQ(ReadReprintRulesFile(), (StoredReprintRules{QStringLiteral("D:\\My Photos\\info"), 1, 0, -1, {}}));
}

TEST(SettingsRulesFile, SaveWithAnEmptyTextChangesNothing)
{
    const ReprintRules before{QStringLiteral("keep"), 1, 2, 3};
    RulesProgram program(before);

    const ReprintRulesTexts full{QStringLiteral("f"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    for (QString ReprintRulesTexts::*field : {&ReprintRulesTexts::folder, &ReprintRulesTexts::minimum,
                                               &ReprintRulesTexts::maximum, &ReprintRulesTexts::reduction}) {
        ReprintRulesTexts texts = full;
        texts.*field = QString();
        EXPECT_FALSE(SaveReprintRules(texts));
    }
    EXPECT_FALSE(std::filesystem::exists(ReprintRulesFile));
    EXPECT_EQ(CurrentReprintRules(), before);
}

TEST(SettingsRulesFile, ReadsFirstWordsAndKeepsWhatTheFileLacks)
{
    RulesProgram program;
    // Hand-edited: a CR LF after the folder, words after the number, an extra line.
    ASSERT_TRUE(Utf16File::WriteText(ReprintRulesFile, u"E:\\info dir\r\n  12 more\n0\t\n2\n99\n"));
    EXPECT_EQ(ReadReprintRulesFile(), (StoredReprintRules{QStringLiteral("E:\\info dir"), 12, 0, 2, {}}));

    // Two lines only: the maximum and the reduction in force stay.
    ASSERT_TRUE(Utf16File::WriteText(ReprintRulesFile, u"F:\\x\n4\n"));
    LoadReprintRules();
    EXPECT_EQ(CurrentReprintRules(), (ReprintRules{QStringLiteral("F:\\x"), 4, 10, -1}));
}

TEST(SettingsRulesFile, MissingFileIsCreatedEmptyAndChangesNothing)
{
    const ReprintRules before{QStringLiteral("old"), 1, 2, 3};
    RulesProgram program(before);
    LoadReprintRules();
    EXPECT_TRUE(std::filesystem::exists(ReprintRulesFile));
    EXPECT_EQ(std::filesystem::file_size(ReprintRulesFile), 0u);
    EXPECT_EQ(CurrentReprintRules(), before);
}
