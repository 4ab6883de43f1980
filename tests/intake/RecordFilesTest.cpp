#include "tests/intake/RecordFixture.h"

#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "intake/ReprintRecords.h"
#include "intake/ReprintState.h"
#include "platform/Clock.h"
#include "platform/FileIo.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "printing/SavePrintInfo.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

namespace {

const QString Day = QStringLiteral("20240305");

void SetPrinters(std::initializer_list<std::pair<QString, int>> printers)
{
    PrinterTable.clear();
    for (const auto &[name, count] : printers) {
        PrinterEntry entry;
        entry.name = name;
        entry.printedCount = count;
        PrinterTable.push_back(entry);
    }
}

// A print job of `copies` on printer `printer`: the count goes up, then the record.
void PrintJobDone(const QString &picture, int copies, int printer)
{
    PrinterTable[printer].printedCount += copies;
    ASSERT_TRUE(SavePrintInfo(picture, copies));
}

} // namespace

using RecordFiles = RecordFixture;

TEST_F(RecordFiles, TodayStampNamesTheDailyFiles)
{
    Clock::Fix([] { return QDateTime(QDate(2024, 3, 5), QTime(23, 59, 59)); });
    EXPECT_EQ(TodayStamp(), Day);
    EXPECT_EQ(PrintRecordFile(Day), std::filesystem::path("Config/20240305.vellora"));
    EXPECT_EQ(PrinterCountFile(Day), std::filesystem::path("Config/20240305PT.vellora"));
    EXPECT_EQ(ReprintListFile(Day), std::filesystem::path("Config/20240305APT.vellora"));
    Clock::Fix([] { return QDateTime(QDate(2025, 12, 31), QTime(0, 0)); });
    EXPECT_EQ(TodayStamp(), QStringLiteral("20251231"));
}

TEST_F(RecordFiles, EveryJobAppendsItsRecordAndAPrinterSnapshotInUtf16WithBareLineFeeds)
{
    SetPrinters({{QStringLiteral("Printer A"), 16}, {QStringLiteral("照片机"), 0}});
    PrintJobDone(QStringLiteral("1234.jpg"), 1, 0);
    PrintJobDone(QStringLiteral("1234.jpg"), 2, 1);
    PrintJobDone(QStringLiteral(".hidden.jpg"), 1, 0);

    EXPECT_EQ(Bytes(PrintRecordFile(Day)), FileIo::ToUtf16Le(u"1234:1;\n1234:2;\n.hidden.jpg:1;\n"));
    EXPECT_EQ(Bytes(PrinterCountFile(Day)), FileIo::ToUtf16Le(u"Printer A:17;\n照片机:0;\n"
                                                              u"Printer A:17;\n照片机:2;\n"
                                                              u"Printer A:18;\n照片机:2;\n"));
    auto reprints = ReprintListModel();
    reprints.InsertRow(0, {QStringLiteral("3"), QStringLiteral("1234"), QStringLiteral("Pic_R/1234.jpg"),
                           QStringLiteral("2")});
    ASSERT_TRUE(SaveReprintList(reprints));
    EXPECT_EQ(Bytes(ReprintListFile(Day)), FileIo::ToUtf16Le(u"3,1234:Pic_R/1234.jpg}2;\n"));
}

TEST_F(RecordFiles, RestartOnTheSameDayRestoresCountsAndReprintsAndALaterDayNothing)
{
    SetPrinters({{QStringLiteral("Printer A"), 0}, {QStringLiteral("Printer B"), 0}});
    PrintJobDone(QStringLiteral("1234.jpg"), 1, 0);
    PrintJobDone(QStringLiteral("1234.jpg"), 2, 1);
    PrintJobDone(QStringLiteral("5678.jpg"), 1, 0);
    const std::vector<ReprintRow> saved = {
        {QStringLiteral("1"), QStringLiteral("5678"), QStringLiteral("Pic_R/5678.jpg"), QStringLiteral("4")},
        {QStringLiteral("0"), QStringLiteral("1234"), QStringLiteral("Pic_R/1234.jpg"), QStringLiteral("2")},
    };
    for (const ReprintRow &row : saved)
        AddReprintEntry(*reprints, row.id, row.name, row.quantity, row.path);
    ASSERT_TRUE(SaveReprintList(*reprints));

    const QStringList printedNames = {QStringLiteral("1234"), QStringLiteral("5678"), QStringLiteral("9999")};
    Restart(printedNames);
    // A priority click refused just before the restart does not reorder the restored rows.
    PriorityNext = true;
    RestoreFromRecords(*printed, *reprints, [this](const QString &hint) { hints.append(hint); });
    EXPECT_EQ(Quantity(0), QStringLiteral("3"));
    EXPECT_EQ(Quantity(1), QStringLiteral("1"));
    EXPECT_EQ(Quantity(2), QStringLiteral("0"));
    EXPECT_EQ(PrinterTable[0].printedCount, 2);
    EXPECT_EQ(PrinterTable[1].printedCount, 2);
    EXPECT_EQ(ReprintRows(), saved);
    EXPECT_EQ(ReprintTotalCount, 6);
    EXPECT_EQ(ReprintFileCount, 2);
    EXPECT_TRUE(PriorityNext) << "the restore adds at the end and leaves the priority request for the next row";
    EXPECT_EQ(hints, QStringList({QStringLiteral("正在恢复已打印数量信息，请稍后。"),
                                  QStringLiteral("补打：鼠标左键点击要补打的照片，输入数量然后按回车键。")}));

    SetDay(QDate(2024, 3, 6));
    Restart(printedNames);
    RestoreFromRecords(*printed, *reprints, [](const QString &) {});
    EXPECT_EQ(Quantity(0), QStringLiteral("0"));
    EXPECT_EQ(PrinterTable[0].printedCount, 0);
    EXPECT_EQ(reprints->RowCount(), 0);
    EXPECT_EQ(ReprintTotalCount, 0);
    EXPECT_TRUE(std::filesystem::exists(ReprintListFile(Day))) << "the previous day's files stay";
    EXPECT_EQ(Bytes(ReprintListFile(QStringLiteral("20240306"))), QByteArray()) << "today's are created empty";
}

TEST_F(RecordFiles, RestoreSplitsLinesAsTheyWereWrittenAndSkipsBrokenOnes)
{
    SetPrinters({{QStringLiteral("A"), 0}, {QStringLiteral("B"), 0}});
    // Print record: the first blank-delimited word counts; names match exactly.
    WriteUtf16(PrintRecordFile(Day), QStringLiteral("1234:2;\n  1234:1; later words\nnocolon;\n12340:5;\n:4;\n\n"));
    // Printer file: the last line of a printer wins; unknown printers are ignored.
    WriteUtf16(PrinterCountFile(Day), QStringLiteral("A:1;\nB:7;\nA:4;\nC:9;\n"));
    // Reprint file: rows missing a field are skipped, a missing final ";" is tolerated.
    WriteUtf16(ReprintListFile(Day), QStringLiteral("0,1234:Pic_R/1234.jpg}2;\n"
                                                    "1,5678:Pic_R/5678.jpg};\n"
                                                    ",5678:Pic_R/5678.jpg}1;\n"
                                                    "1,5678Pic_R/5678.jpg}1;\n"
                                                    "1,5678:Pic_R/5678.jpg}3\n"));
    Restart({QStringLiteral("1234"), QStringLiteral("123"), QStringLiteral("5678")});
    printed->SetText(0, 1, QStringLiteral("1"));
    RestoreFromRecords(*printed, *reprints, [](const QString &) {});

    EXPECT_EQ(Quantity(0), QStringLiteral("4")) << "records add to what the row already shows";
    EXPECT_EQ(Quantity(1), QStringLiteral("0"));
    EXPECT_EQ(Quantity(2), QStringLiteral("0"));
    EXPECT_EQ(PrinterTable[0].printedCount, 4);
    EXPECT_EQ(PrinterTable[1].printedCount, 7);
    const std::vector<ReprintRow> expected = {
        {QStringLiteral("0"), QStringLiteral("1234"), QStringLiteral("Pic_R/1234.jpg"), QStringLiteral("2")},
        // The ID follows the printed row of the name (5678 is row 2 here).
        {QStringLiteral("2"), QStringLiteral("5678"), QStringLiteral("Pic_R/5678.jpg"), QStringLiteral("3")},
    };
    EXPECT_EQ(ReprintRows(), expected);
    EXPECT_EQ(ReprintTotalCount, 5);
    EXPECT_EQ(ReprintFileCount, 2);
}

TEST_F(RecordFiles, RestoredReprintRowsFindTheirPrintedRowByName)
{
    // Saved while the printed list was in printing order: 9012 was printed first.
    WriteUtf16(ReprintListFile(Day), QStringLiteral("0,9012:Pic_R/9012.jpg}2;\n"
                                                    "2,1234:Pic_R/1234.jpg}1;\n"
                                                    "1,4444:Pic_R/4444.jpg}1;\n"));
    // After the restart the list is in name order.
    Restart({QStringLiteral("1234"), QStringLiteral("5678"), QStringLiteral("9012")});
    RestoreFromRecords(*printed, *reprints, [](const QString &) {});
    const std::vector<ReprintRow> rows = ReprintRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].id.toStdString(), "2") << "9012's copies count on 9012";
    EXPECT_EQ(rows[1].id.toStdString(), "0");
    EXPECT_EQ(rows[2].id.toStdString(), "-1") << "a photo no longer printed counts on no row";
}

TEST_F(RecordFiles, JobsFinishingTogetherWriteWholeLines)
{
    SetPrinters({{QStringLiteral("A"), 0}, {QStringLiteral("B"), 0}});
    std::vector<std::thread> jobs;
    for (int job = 0; job < 4; ++job)
        jobs.emplace_back([job] {
            for (int i = 0; i < 100; ++i)
                SavePrintInfo(QStringLiteral("%1.jpg").arg(job), 1);
        });
    for (std::thread &job : jobs)
        job.join();

    const QStringList records = Utf16File::ReadLines(PrintRecordFile(Day)).value();
    ASSERT_EQ(records.size(), 401);
    for (qsizetype line = 0; line < 400; ++line)
        ASSERT_TRUE(QRegularExpression(QStringLiteral("^[0-3]:1;$")).match(records[line]).hasMatch()) << line;
    const QStringList printers = Utf16File::ReadLines(PrinterCountFile(Day)).value();
    ASSERT_EQ(printers.size(), 801);
    for (qsizetype line = 0; line < 800; line += 2)
        ASSERT_TRUE(printers[line] == QStringLiteral("A:0;") && printers[line + 1] == QStringLiteral("B:0;")) << line;
}

TEST_F(RecordFiles, InfoCountIsTheValueOfTheLastLine)
{
    const struct
    {
        const char16_t *text;
        int count;
    } cases[] = {
        {u"5\n", 5},          {u"5", 5},     {u"3\n7\n", 7},  {u"5\n\n", 0}, {u"", 0},
        {u"abc\n", 0},        {u" 12\r\n", 12}, {u"\uFEFF4\n", 4}, {u"2\n \n", 0}, {u"8 copies\n", 8},
    };
    for (const auto &c : cases) {
        const auto file = folder.Path() / "info.vellora";
        WriteUtf16(file, QString::fromUtf16(c.text));
        EXPECT_EQ(ReadInfoCount(file), c.count) << QString::fromUtf16(c.text).toStdString();
    }
    EXPECT_EQ(ReadInfoCount(folder.Path() / "missing.vellora"), 0);
    EXPECT_FALSE(std::filesystem::exists("Config/LOG/Temp_file.vellora")) << "the copy is taken in memory";
}

TEST_F(RecordFiles, InfoFileRewrittenByAnotherProcessGivesTheOldOrTheNewNumber)
{
    const auto file = folder.Path() / "Zendrik.vellora";
    WriteUtf16(file, QStringLiteral("111\n"));
    QProcess writer;
    writer.start(QStringLiteral(RECORD_HELPER), {QStringLiteral("rewrite"), QString::fromStdString(file.string())});
    ASSERT_TRUE(writer.waitForStarted());

    std::multiset<int> seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end)
        seen.insert(ReadInfoCount(file));
    writer.kill();
    writer.waitForFinished();

    const std::set<int> distinct(seen.begin(), seen.end());
    EXPECT_EQ(distinct, std::set<int>({111, 222})) << "reads: " << seen.size() << ", 0 seen " << seen.count(0);
}
