#include "compose/PictureNumber.h"

#include "platform/Clock.h"
#include "tests/support/ProgramFolder.h"

#include <QFile>
#include <QStringList>

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

// Only a number the program could have written raises the counter: an
// empty or damaged value would otherwise use up every number after it. Such
// a value reads as no number and is said once.
TEST_F(PictureNumberTest, StoredValuesRaiseTheCounterOnlyWhenTheyAreNumbers)
{
    WriteNumbers("1234=57\r\n70=\r\n77=12abc\r\n78=x5\r\n79=99999999999\r\n80=2147483647\r\n81=-3\r\n"
                 "82=9999999\r\n");
    Clock::Fix([] { return QDateTime(QDate(2024, 11, 23), QTime(14, 35, 50)); });
    QStringList said;
    SetPictureNumberReport([&said](const QString &text) { said << text; });
    struct Case
    {
        const char *name;
        int number;
        int counter;
        const char *message;
    } const cases[] = {
        {"1234.jpg", 57, 57, ""}, // cut before the first "."
        {"1234.5.jpg", 57, 57, ""},
        {"missing.jpg", 0, 57, ""},
        {"70.jpg", 0, 57, "图片编号文件中“70”的值“”不是可用的编号，按没有编号处理，不占用编号"},
        {"70.jpg", 0, 57, ""}, // said once
        {"77.jpg", 0, 57, "图片编号文件中“77”的值“12abc”不是可用的编号，按没有编号处理，不占用编号"},
        {"78.jpg", 0, 57, "图片编号文件中“78”的值“x5”不是可用的编号，按没有编号处理，不占用编号"},
        {"79.jpg", 0, 57, "图片编号文件中“79”的值“99999999999”不是可用的编号，按没有编号处理，不占用编号"},
        {"80.jpg", 0, 57, "图片编号文件中“80”的值“2147483647”不是可用的编号，按没有编号处理，不占用编号"},
        {"81.jpg", 0, 57, "图片编号文件中“81”的值“-3”不是可用的编号，按没有编号处理，不占用编号"},
        {"82.jpg", 9999999, 9999999, ""},
    };
    for (const Case &c : cases) {
        said.clear();
        EXPECT_EQ(PictureNumberOf(QString::fromLatin1(c.name)), c.number) << c.name;
        EXPECT_EQ(PictureCounter, c.counter) << c.name;
        const QString message = QString::fromUtf8(c.message);
        EXPECT_EQ(said, message.isEmpty() ? QStringList() : QStringList{message}) << c.name;
    }
    SetPictureNumberReport({});
    EXPECT_EQ(NextPictureNumber(), 10000000);
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
