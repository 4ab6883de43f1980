#include "compose/PictureNumber.h"

#include "platform/Clock.h"
#include "tests/support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr int MaxNumber = std::numeric_limits<int>::max();

class PictureNumberTest : public testing::Test
{
protected:
    void SetUp() override { PictureCounter = 0; }
    void TearDown() override
    {
        PictureCounter = 0;
        Clock::Reset();
    }

    static void WriteNumbers(const QByteArray &lines)
    {
        QFile file(QStringLiteral("Config/PictureNumber.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[PictureNumber]\r\n" + lines);
    }

    ProgramFolder m_folder;
};

TEST_F(PictureNumberTest, ReadsStoredValuesAndRaisesTheCounter)
{
    WriteNumbers("1234=57\r\n77=12abc\r\n78=x5\r\n79=99999999999\r\n");
    Clock::Fix([] { return QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)); });
    struct Case
    {
        const char *name;
        int number;
    } const cases[] = {
        {"1234.jpg", 57},        // cut before the first "."
        {"1234.5.jpg", 57},
        {"missing.jpg", 0},      // "Error" does not start with a digit
        {"77.jpg", 12},          // leading digits only
        {"78.jpg", 0},
        {"79.jpg", MaxNumber},   // saturated
    };
    for (const Case &c : cases)
        EXPECT_EQ(PictureNumberOf(QString::fromLatin1(c.name)), c.number) << c.name;
    EXPECT_EQ(PictureCounter, MaxNumber);
}

TEST_F(PictureNumberTest, EmptyValueStandsForTheTimeAndSaturates)
{
    WriteNumbers("1234=\r\n");
    Clock::Fix([] { return QDateTime(QDate(2024, 11, 23), QTime(14, 35, 50)); }); // 20241123143550
    EXPECT_EQ(PictureNumberOf(QStringLiteral("1234.jpg")), MaxNumber);
    EXPECT_EQ(PictureCounter, MaxNumber);
}

TEST_F(PictureNumberTest, ANameWithoutDotOrWithALeadingDotIsItsOwnKey)
{
    EXPECT_EQ(PictureNumberKey(QStringLiteral("IMG")), QStringLiteral("IMG"));
    EXPECT_EQ(PictureNumberKey(QStringLiteral(".hidden.jpg")), QStringLiteral(".hidden.jpg"));
    EXPECT_EQ(PictureNumberKey(QStringLiteral("12.34.JPG")), QStringLiteral("12"));
}

TEST_F(PictureNumberTest, MissingFileGivesZeroAndKeepsTheCounter)
{
    PictureCounter = 9;
    EXPECT_EQ(PictureNumberOf(QStringLiteral("1234.jpg")), 0);
    EXPECT_EQ(PictureCounter, 9);
}

TEST_F(PictureNumberTest, RecordedNumbersAreOverwrittenAndForgottenWithoutResettingTheCounter)
{
    ASSERT_TRUE(RecordPictureNumber(QStringLiteral("1234"), 57));
    ASSERT_TRUE(RecordPictureNumber(QStringLiteral("1234"), 58));
    EXPECT_EQ(PictureNumberOf(QStringLiteral("1234.jpg")), 58);
    ForgetPictureNumbers();
    EXPECT_EQ(PictureNumberOf(QStringLiteral("1234.jpg")), 0);
    EXPECT_EQ(NextPictureNumber(), 59);
}

TEST_F(PictureNumberTest, CounterStopsAtTheLargestNumber)
{
    PictureCounter = MaxNumber - 1;
    EXPECT_EQ(NextPictureNumber(), MaxNumber);
    EXPECT_EQ(NextPictureNumber(), MaxNumber);
}

} // namespace
