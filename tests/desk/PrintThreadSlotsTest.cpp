#include "desk/PrintThreadSlots.h"
#include "desk/PrinterTable.h"
#include "desk/RunLog.h"
#include "platform/CodePage936.h"
#include "tests/support/ProgramFolder.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

namespace {

int LoggedTimes(const QString &text)
{
    QFile log(RunLogFileName(QDateTime::currentDateTime()));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(CodePage936::ToUnicode(log.readAll()).count(text));
}

struct ThreadSlotsTest : testing::Test
{
    void SetUp() override
    {
        std::filesystem::create_directory("Config/LOG");
        PrinterTable.assign(3, PrinterEntry{});
        PrintThreadHandles.reset();
        PrintThreadIds.reset();
    }
    void TearDown() override { PrinterTable.clear(); }

    ProgramFolder folder;
};

TEST_F(ThreadSlotsTest, NeverBuiltTablesAreRebuiltAndLoggedOnce)
{
    CheckThreadTables();
    CheckThreadTables();
    EXPECT_EQ(LoggedTimes("数据异常"), 1);
    EXPECT_EQ(LoggedTimes("检查多线程变量是否发生异常或被回收"), 0);
    ASSERT_TRUE(PrintThreadHandles && PrintThreadIds);
    EXPECT_EQ(PrintThreadHandles->size(), 3u);
    EXPECT_EQ(PrintThreadIds->size(), 3u);
    EXPECT_EQ(PrintThreadSlotCount, 3);
}

TEST_F(ThreadSlotsTest, TablesOfTheRightSizeLogNothing)
{
    BuildThreadTables();
    CheckThreadTables();
    EXPECT_EQ(LoggedTimes("数据异常"), 0);

    PrinterTable.push_back(PrinterEntry{}); // one slot short now
    CheckThreadTables();
    EXPECT_EQ(LoggedTimes("数据异常"), 1);
    EXPECT_EQ(PrintThreadIds->size(), 4u);
}

} // namespace
