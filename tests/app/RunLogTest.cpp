#include "app/RunLog.h"

#include <gtest/gtest.h>

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
