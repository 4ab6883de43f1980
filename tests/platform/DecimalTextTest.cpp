#include "platform/DecimalText.h"

#include <QString>

#include <gtest/gtest.h>

#include <climits>

TEST(DecimalText, ReadsLeadingNumbersTheWayStoredNumbersWereAlwaysRead)
{
    const struct
    {
        const char *text;
        int settingsValue; // blanks and a sign allowed
        int digitsValue;   // digits from the first character only
    } cases[] = {
        {"12abc", 12, 12},
        {"23x", 23, 23},
        {"  -7", -7, 0},
        {"-1", -1, 0},
        {"+5", 5, 0},
        {"abc", 0, 0},
        {"", 0, 0},
        {"Error", 0, 0},
        {"2147483647", INT_MAX, INT_MAX},
        {"99999999999", INT_MAX, INT_MAX},
        {"-99999999999", INT_MIN, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(DecimalValue(QString::fromUtf8(c.text)), c.settingsValue) << c.text;
        EXPECT_EQ(LeadingDigitsValue(QString::fromUtf8(c.text)), c.digitsValue) << c.text;
    }
}
