#include "phone/PhoneSettings.h"
#include "platform/Profile.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

TEST(PhoneSettingsTest, TheEventKeyIsMadeOnceAndKeptSoPrintedCodesStayGood)
{
    ProgramFolder folder;
    const PhoneSettings first = LoadPhoneSettings();
    EXPECT_TRUE(IsEventKey(first.eventKey));
    EXPECT_EQ(LoadPhoneSettings().eventKey, first.eventKey);

    // A key edited by hand into something guessable is replaced.
    ASSERT_TRUE(Profile::Write(PhoneSettingsFile, QStringLiteral("Phone"), QStringLiteral("key"), QStringLiteral("1234")));
    const QString replaced = LoadPhoneSettings().eventKey;
    EXPECT_TRUE(IsEventKey(replaced));
    EXPECT_NE(replaced, first.eventKey);
    EXPECT_EQ(LoadPhoneSettings().eventKey, replaced);
}

TEST(PhoneSettingsTest, StoredChoicesComeBackAndUnusableOnesKeepTheBuiltIn)
{
    ProgramFolder folder;
    PhoneSettings chosen = LoadPhoneSettings();
    chosen.port = 9000;
    chosen.maxCopies = 12;
    chosen.gallery = true;
    ASSERT_TRUE(SavePhoneSettings(chosen));
    const PhoneSettings read = LoadPhoneSettings();
    EXPECT_EQ(read.port, 9000);
    EXPECT_EQ(read.maxCopies, 12);
    EXPECT_TRUE(read.gallery);

    const struct
    {
        const char *key;
        const char *value;
        int builtIn;
    } unusable[] = {{"port", "70000", 8080}, {"port", "0", 8080}, {"port", "http", 8080},
                    {"max_copies", "0", 5}, {"max_copies", "1000", 5}, {"gallery", "2", 0}};
    for (const auto &c : unusable) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        ASSERT_TRUE(Profile::Write(PhoneSettingsFile, QStringLiteral("Phone"), QString::fromUtf8(c.key), QString::fromUtf8(c.value)));
        const PhoneSettings read = LoadPhoneSettings();
        const std::string key = c.key;
        EXPECT_EQ(key == "port" ? read.port : key == "max_copies" ? read.maxCopies : int(read.gallery), c.builtIn);
        ASSERT_TRUE(SavePhoneSettings(chosen));
    }
}
