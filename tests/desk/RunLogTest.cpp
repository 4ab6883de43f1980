#include "desk/RunLog.h"
#include "platform/Clock.h"
#include "platform/CodePage936.h"
#include "platform/Profile.h"
#include "tests/support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct Moment
{
    const char *name;
    QDateTime moment;
    const char *file;
    const char *section;
};

QDateTime At(int year, int month, int day, int hour, int minute, int second, int msec)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec));
}

} // namespace

TEST(RunLog, FileIsNamedByTheDayAndSectionByTheUnpaddedTime)
{
    const Moment cases[] = {
        {"padded_digits_are_dropped", At(2026, 12, 8, 9, 5, 7, 42), "Config/LOG/20261208.ini", "95742"},
        {"afternoon", At(2026, 12, 8, 13, 20, 0, 5), "Config/LOG/20261208.ini", "132005"},
        {"midnight_goes_to_the_new_day", At(2027, 1, 1, 0, 0, 0, 0), "Config/LOG/20270101.ini", "0000"},
        {"early_and_late_times_can_share_a_name", At(2026, 3, 4, 2, 15, 30, 400), "Config/LOG/20260304.ini",
         "21530400"},
        {"", At(2026, 3, 4, 21, 5, 30, 400), "Config/LOG/20260304.ini", "21530400"},
    };
    for (const Moment &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunLogFileName(c.moment).toStdString(), c.file);
        EXPECT_EQ(RunLogSectionName(c.moment).toStdString(), c.section);
    }
}

// Entries whose section names meet (the same millisecond, or unpadded times
// that read alike) are all kept, in the order written, and the file still
// reads as an INI file.
TEST(RunLog, EntriesWithTheSameSectionNameAreAllKept)
{
    ProgramFolder folder;
    std::filesystem::create_directories("Config/LOG");
    const QDateTime moments[] = {
        At(2026, 5, 4, 13, 31, 1, 852), At(2026, 5, 4, 13, 31, 1, 852), // one tick at a crash restart
        At(2026, 5, 4, 13, 3, 11, 852),                                  // reads "13311852" too
        At(2026, 5, 4, 13, 31, 2, 0),
    };
    const char *texts[] = {"完成打印机工作状态", "完成崩溃恢复", "打开软件", "关闭软件"};
    for (size_t i = 0; i < std::size(moments); ++i) {
        Clock::Fix([moment = moments[i]] { return moment; });
        WriteRunLog(texts[i]);
    }
    Clock::Reset();

    const std::filesystem::path file = RunLogFileName(moments[0]).toStdString();
    const QString sections[] = {"13311852", "13311852-2", "13311852-3", "133120"};
    for (size_t i = 0; i < std::size(sections); ++i)
        EXPECT_EQ(Profile::Read(file, sections[i], "Code", "Error"), texts[i]) << sections[i].toStdString();
    QFile raw(QString::fromStdString(file.string()));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(CodePage936::ToUnicode(raw.readAll()),
              "[13311852]\r\nCode=完成打印机工作状态\r\n[13311852-2]\r\nCode=完成崩溃恢复\r\n"
              "[13311852-3]\r\nCode=打开软件\r\n[133120]\r\nCode=关闭软件\r\n");
}
