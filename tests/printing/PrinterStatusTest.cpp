#include "printing/PrinterStatus.h"
#include "tests/support/FakeSpooler.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

namespace {

struct StatusCase
{
    const char *what;
    uint32_t printerStatus;
    std::vector<uint32_t> jobStatuses;
    uint32_t attributes;
    const char16_t *expected;
};

std::ostream &operator<<(std::ostream &out, const StatusCase &c)
{
    return out << c.what;
}

class StatusText : public testing::TestWithParam<StatusCase>
{
};

// Every row of both tables, the printing-job rules and the fall-through texts.
const StatusCase kCases[] = {
    {"printing", 0x400 | 0x1, {0}, 0, u"正在打印..."},
    {"paused", 0x1 | 0x200, {0}, 0, u"打印暂停中..."},
    {"busy", 0x200 | 0x2000, {0}, 0, u"打印机繁忙,被临时占用..."},
    {"waiting", 0x2000 | 0x2, {0}, 0, u"打印等待中..."},
    {"server offline", 0x2000000 | 0x2, {0}, 0, u"未连接打印机服务器..."},
    {"error", 0x2 | 0x8, {0}, 0, u"打印出错！..."},
    {"paper jam", 0x8 | 0x10, {0}, 0, u"打印机卡纸..."},
    {"paper out", 0x10 | 0x40, {0}, 0, u"打印纸位置不正确..."},
    {"paper problem", 0x40 | 0x800, {0}, 0, u"打印纸出现问题..."},
    {"output full", 0x800 | 0x1000, {0}, 0, u"打印输出已满..."},
    {"not available", 0x1000 | 0x20000, {0}, 0, u"打印机不可用..."},
    {"toner low", 0x20000 | 0x40000, {0}, 0, u"打印机墨粉不足..."},
    {"no toner", 0x40000 | 0x200000, {0}, 0, u"打印机没有墨粉..."},
    {"out of memory", 0x200000 | 0x80, {0}, 0, u"打印内存溢出..."},
    {"offline", 0x80 | 0x400000, {0}, 0, u"无法连接打印机，可能是打印机未启动..."},
    {"door open", 0x400000, {0}, 0, u"打印机的门是开着的，请关闭..."},
    {"unknown bit with a job falls to the jobs", 0x4, {0x1}, 0, u"打印作业暂停..."},
    {"job printed", 0, {0x80 | 0x100}, 0, u"已提交打印作业"},
    {"job deleted", 0, {0x100 | 0x1}, 0, u"已取消打印！"},
    {"job paused", 0, {0x1 | 0x2}, 0, u"打印作业暂停..."},
    {"job error", 0, {0x2 | 0x8}, 0, u"打印作业出错..."},
    {"job spooling", 0, {0x8 | 0x20}, 0, u"打印作业脱机..."},
    {"job offline", 0, {0x20 | 0x40}, 0, u"打印作业未连接..."},
    {"job paper out", 0, {0x40 | 0x200}, 0, u"打印纸位置不正确..."},
    {"job blocked", 0, {0x200 | 0x800}, 0, u"打印作业出错..."},
    {"job restarted", 0, {0x800}, 0, u"打印作业重新启动..."},
    {"undecided jobs go on to the next", 0, {0, 0x4, 0x100}, 0, u"已取消打印！"},
    {"printing job that failed", 0, {0x10 | 0x40}, 0, u"打印出错！"},
    {"printing job alone", 0, {0x10}, 0, u"正在打印！"},
    {"jobs without a state", 0, {0, 0}, 0, u"未能获取状态,或正在打印。"},
    {"idle", 0, {}, 0, u"空闲"},
    {"status bits without jobs", 0x400, {}, 0, u"空闲"},
    {"stopped without jobs", 0x1, {}, 0, u"打印暂停中..."},
    {"stopped by running out of paper", 0x1 | 0x10, {}, 0, u"打印纸位置不正确..."},
    {"refusing jobs", 0x1000, {}, 0, u"打印机不可用..."},
    {"door open without jobs", 0x1 | 0x400000, {}, 0, u"打印机的门是开着的，请关闭..."},
    {"toner low alone still prints", 0x20000, {}, 0, u"空闲"},
    {"offline without jobs", 0x80, {}, 0, u"该打印机未连电脑"},
    {"server offline without jobs", 0x2000000, {}, 0, u"该打印机未连电脑"},
    {"set to work offline", 0, {}, 0x400, u"该打印机未连电脑"},
};

TEST_P(StatusText, FollowsTheFirstDecidingBit)
{
    const ProgramFolder folder;
    FakeSpooler spooler;
    FakeSpooler::Printer printer = FakeSpooler::Printer::Named(QStringLiteral("P"));
    printer.info.status = GetParam().printerStatus;
    printer.info.attributes = GetParam().attributes;
    int id = 0;
    for (uint32_t status : GetParam().jobStatuses)
        printer.jobs.push_back({++id, QStringLiteral("doc"), status});
    spooler.Set(printer);

    EXPECT_EQ(QueryPrinterStatus(spooler, spooler.Open(QStringLiteral("P")), QStringLiteral("P")),
              QString::fromUtf16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(BothTables, StatusText, testing::ValuesIn(kCases));

TEST(StatusQuery, MissingPrinterAndUnreachableSpooler)
{
    const ProgramFolder folder;
    FakeSpooler spooler;
    spooler.Set(FakeSpooler::Printer::Named(QStringLiteral("P")));
    EXPECT_EQ(QueryPrinterStatus(spooler, std::nullopt, QStringLiteral("P")), QStringLiteral("打印机不存在!"));
    const auto handle = spooler.Open(QStringLiteral("P"));
    spooler.SetReachable(false);
    EXPECT_EQ(QueryPrinterStatus(spooler, handle, QStringLiteral("P")), QStringLiteral("打印失败！"));
}

} // namespace
