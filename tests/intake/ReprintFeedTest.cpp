#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/SysValues.h"
#include "desk/WorkingFolders.h"
#include "intake/IntakeState.h"
#include "intake/PhotoListModel.h"
#include "intake/PrintManager.h"
#include "intake/ReprintFeed.h"
#include "intake/ReprintFeedState.h"
#include "intake/ReprintListModel.h"
#include "intake/ReprintRecords.h"
#include "platform/CodePage936.h"
#include "platform/CompanionLink.h"
#include "platform/Pause.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "settings/ReprintRules.h"
#include "settings/SystemSettings.h"
#include "tests/support/ProgramFolder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Remembers what would have gone to the companions; none of them runs.
class NoCompanion final : public CompanionLink
{
public:
    bool Send(const QString &windowTitle, const CopyDataMessage &) override
    {
        titles.push_back(windowTitle);
        return false;
    }
    std::vector<QString> titles;
};

struct Rules
{
    int minimum;
    int maximum;
    int reduction;
};

// The two feeds over real models and threads, their pauses scaled down a
// hundredfold (a pass takes some 20 ms, a file 50 ms). The companions'
// folders are "auto" and "phone" in the program folder.
class Feeds : public testing::Test
{
protected:
    Feeds()
    {
        CreateWorkingFolders();
        fs::create_directory("auto");
        fs::create_directory("phone");
        SetPauseScale(0.01);
        SetRules({0, 0, -1});
        SystemSettings::SavePhoneReprintFolder(QStringLiteral("phone"));
        PrintedListReady = true;
        AutoPrintActive = true;
        ReprintBacklogLow = true;
        ReprintListBusy = false;
        ReprintFileCount = 0;
        ReprintTotalCount = 0;
    }
    ~Feeds() override
    {
        for (const ReprintFeedKind *kind : {&AutomaticReprint(), &PhoneReprint()}) {
            kind->stop = true;
            EXPECT_TRUE(QTest::qWaitFor([kind] { return kind->count == 0; }, 5000));
        }
        AutoPrintActive = false;
        PrintedListReady = false;
        SetReprintRules({});
        SetPauseScale(1.0);
    }

    static void SetRules(Rules rules)
    {
        SetReprintRules({QStringLiteral("auto"), rules.minimum, rules.maximum, rules.reduction});
    }

    void AddPrinted(const QString &name, const QString &quantity)
    {
        const QString path = QStringLiteral("Pic_R/") + name + QStringLiteral(".jpg");
        printed.InsertRow(printed.RowCount(), {QString(), quantity, name, path, QStringLiteral("1")}, path);
    }

    ReprintFeed &Feed(const ReprintFeedKind &kind)
    {
        return &kind == &AutomaticReprint() ? automatic : phone;
    }

    // "id,name,quantity" of every reprint row.
    QStringList ReprintRows() const
    {
        QStringList rows;
        for (const ReprintRow &row : reprints.Rows())
            rows.append(row.id + QLatin1Char(',') + row.name + QLatin1Char(',') + row.quantity);
        return rows;
    }

    // Long enough for a feed to make a dozen passes over its folder.
    static void SeveralPasses() { QTest::qWait(300); }

    ProgramFolder folder;
    PhotoListModel printed{PhotoListModel::PrintedHeaders(), QSize(9, 6)};
    ReprintListModel reprints;
    NoCompanion companions;
    std::vector<QString> hints;
    std::mutex hintsMutex;
    ReprintFeed::Ui ui{[this](const QString &hint) {
                           const std::lock_guard lock(hintsMutex);
                           hints.push_back(hint);
                       },
                       [](const QString &) {}};
    ReprintFeed automatic{AutomaticReprint(), printed, reprints, companions, ui};
    ReprintFeed phone{PhoneReprint(), printed, reprints, companions, ui};
};

QString RunLogText()
{
    QFile log(RunLogFileName(QDateTime::currentDateTime()));
    return log.open(QIODevice::ReadOnly) ? CodePage936::ToUnicode(log.readAll()) : QString();
}

void WriteInfo(const char *folder, const char *file, const char *text)
{
    ASSERT_TRUE(Utf16File::WriteText(fs::path(folder) / file, QString::fromUtf8(text)));
}

} // namespace

TEST_F(Feeds, InfoFileOfAPrintedPhotoBecomesOneReprintRowAndGoes)
{
    const struct
    {
        const char *what;
        bool automatic;
        Rules rules;
        std::vector<std::pair<const char *, const char *>> printedRows; // name, quantity
        const char *file;
        const char *text;
        QStringList rowsAfter; // id,name,quantity
        const char *cutFrom = nullptr; // the copies asked when more than the limit
    } cases[] = {
        {"people count taken whole without limits", true, {0, 0, -1}, {{"1234", "1"}}, "1234.vellora", "5", {"0,1234,5"}},
        {"people count halved", true, {0, 0, 0}, {{"1234", "0"}}, "1234.vellora", "5", {"0,1234,2"}},
        {"the last line counts", true, {0, 0, -1}, {{"1234", "1"}}, "1234.vellora", "9\n3\n", {"0,1234,3"}},
        {"a count of 0 is deleted without a row", true, {0, 10, -1}, {{"1234", "1"}}, "1234.vellora", "0", {}},
        {"maximum reached: deleted without a row", true, {0, 3, -1}, {{"1234", "3"}}, "1234.vellora", "5", {}},
        {"printed twice: the first row the rules give copies to", true, {0, 3, -1},
         {{"0001", "1"}, {"1234", "3"}, {"1234", "1"}}, "1234.vellora", "5", {"2,1234,2"}},
        {"phone order taken as written, whatever the rules", false, {0, 2, 2}, {{"0042", "7"}}, "0042.vellora", "3",
         {"0,0042,3"}},
        {"phone order for a photo printed twice: once, the upper row", false, {0, 0, -1},
         {{"0042", "1"}, {"0042", "1"}}, "0042.vellora", "3", {"0,0042,3"}},
        {"phone order of 0 is deleted without a row", false, {0, 0, -1}, {{"0042", "1"}}, "0042.vellora", "0", {}},
        {"extension in capitals", false, {0, 0, -1}, {{"0042", "1"}}, "0042.VELLORA", "2", {"0,0042,2"}},
        {"phone order at the copy limit taken whole", false, {0, 0, -1}, {{"0042", "1"}}, "0042.vellora", "99",
         {"0,0042,99"}},
        {"phone order above the copy limit cut to it", false, {0, 0, -1}, {{"0042", "1"}}, "0042.vellora", "999999",
         {"0,0042,99"}, "999999"},
        {"people count above the copy limit cut to it", true, {0, 0, -1}, {{"1234", "1"}}, "1234.vellora", "100",
         {"0,1234,99"}, "100"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        printed.Clear();
        reprints.Clear();
        ReprintTotalCount = 0;
        hints.clear();
        SetRules(c.rules);
        for (const auto &[name, quantity] : c.printedRows)
            AddPrinted(QString::fromUtf8(name), QString::fromUtf8(quantity));
        const char *companionFolder = c.automatic ? "auto" : "phone";
        WriteInfo(companionFolder, c.file, c.text);
        const ReprintFeedKind &kind = c.automatic ? AutomaticReprint() : PhoneReprint();

        ASSERT_TRUE(Feed(kind).Click(0));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fs::exists(fs::path(companionFolder) / c.file); }, 3000));
        EXPECT_FALSE(Feed(kind).Click(0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return kind.count == 0; }, 3000));

        EXPECT_EQ(ReprintRows(), c.rowsAfter);
        int total = 0;
        for (const ReprintRow &row : reprints.Rows())
            total += row.quantity.toInt();
        EXPECT_EQ(ReprintTotalCount, total);
        EXPECT_EQ(ReprintFileCount, c.rowsAfter.size());
        EXPECT_FALSE(ReprintListBusy);
        // The day's reprint list file holds the list as it is.
        const QStringList saved = Utf16File::ReadLines(ReprintListFile(TodayStamp())).value_or(QStringList());
        EXPECT_EQ(saved.size(), c.rowsAfter.size() + 1);
        if (!c.rowsAfter.isEmpty()) {
            const ReprintRow added = reprints.Rows()[0];
            const QString addedHint = ReprintText::Added(added.name, added.quantity);
            const std::vector<QString> expectedHints =
                c.cutFrom ? std::vector<QString>{addedHint, ReprintText::CopiesCut(added.name, QString::fromUtf8(c.cutFrom))}
                          : std::vector<QString>{addedHint};
            EXPECT_EQ(hints, expectedHints);
        }
        // A cut order is told in the run log with the number it asked for.
        if (c.cutFrom) {
            EXPECT_TRUE(RunLogText().contains(QStringLiteral("补打张数超过上限:%1 %2").arg(reprints.Rows()[0].name, c.cutFrom)));
        }
    }
}

TEST_F(Feeds, InfoFileWaitsUntilItsPhotoIsPrinted)
{
    for (const ReprintFeedKind *kind : {&AutomaticReprint(), &PhoneReprint()}) {
        SCOPED_TRACE(kind->stateKey.toStdString());
        printed.Clear();
        reprints.Clear();
        const char *companionFolder = kind == &AutomaticReprint() ? "auto" : "phone";
        WriteInfo(companionFolder, "1234.vellora", "4");
        AddPrinted(QStringLiteral("12345"), QStringLiteral("1")); // a longer name is another photo
        ASSERT_TRUE(Feed(*kind).Click(0));

        SeveralPasses();
        EXPECT_TRUE(fs::exists(fs::path(companionFolder) / "1234.vellora"));
        EXPECT_TRUE(ReprintRows().isEmpty());

        // Printed at last (it was pending until now): the file is applied once.
        AddPrinted(QStringLiteral("1234"), QStringLiteral("1"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return reprints.RowCount() > 0; }, 3000));
        SeveralPasses();
        EXPECT_EQ(ReprintRows(), QStringList{"1,1234,4"});
        EXPECT_FALSE(fs::exists(fs::path(companionFolder) / "1234.vellora"));
        Feed(*kind).Click(0);
        ASSERT_TRUE(QTest::qWaitFor([kind] { return kind->count == 0; }, 3000));
    }
}

TEST_F(Feeds, NothingIsReadWhileAutomaticPrintingIsNotActiveOrTheListsAreRestoring)
{
    AddPrinted(QStringLiteral("1234"), QStringLiteral("1"));
    WriteInfo("auto", "1234.vellora", "2");
    WriteInfo("phone", "1234.vellora", "2");
    for (std::atomic<bool> *flag : {&AutoPrintActive, &PrintedListReady}) {
        *flag = false;
        ASSERT_TRUE(automatic.Click(0));
        ASSERT_TRUE(phone.Click(0));
        SeveralPasses();
        EXPECT_TRUE(fs::exists("auto/1234.vellora"));
        EXPECT_TRUE(fs::exists("phone/1234.vellora"));
        automatic.Click(0);
        phone.Click(0);
        ASSERT_TRUE(QTest::qWaitFor([] { return AutoReprintCount == 0 && PhoneReprintCount == 0; }, 3000));
        *flag = true;
    }
    EXPECT_TRUE(ReprintRows().isEmpty());
}

// The page's timer holds automatic reprint back once more than 30 copies
// wait, until the reprint list is empty; phone orders are not held.
TEST_F(Feeds, BacklogHoldsAutomaticReprintUntilTheListIsEmptyButNotPhoneOrders)
{
    PrintManager manager;
    AutoPrintRunning = true;
    const auto tick = [&manager] {
        manager.Tick();
        AutoPrintActive = true;
    };
    AddPrinted(QStringLiteral("1234"), QStringLiteral("1"));
    AddPrinted(QStringLiteral("0042"), QStringLiteral("1"));
    const ReprintListModel::Key first = AddReprintEntry(reprints, "7", "0007", "31", "Pic_R/0007.jpg");
    const ReprintListModel::Key second = AddReprintEntry(reprints, "8", "0008", "19", "Pic_R/0008.jpg");
    ReprintFileCount = 2;
    ReprintTotalCount = 50;
    tick();
    ASSERT_TRUE(QTest::qWaitFor([] { return PrintedListReady.load(); }, 5000)); // the first tick's folder scans
    ASSERT_FALSE(ReprintBacklogLow);

    WriteInfo("auto", "1234.vellora", "2");
    WriteInfo("phone", "0042.vellora", "3");
    ASSERT_TRUE(automatic.Click(0));
    ASSERT_TRUE(phone.Click(0));
    EXPECT_TRUE(QTest::qWaitFor([] { return ReprintTotalCount == 53; }, 3000));
    EXPECT_FALSE(fs::exists("phone/0042.vellora"));

    // Down to 31 copies, then 30: still held, the list is not empty.
    reprints.RemoveRowOf(second);
    reprints.RemoveRow(reprints.RowCount() - 1);
    ReprintFileCount = 1;
    ReprintTotalCount = 31;
    tick();
    reprints.SetTextOf(first, ReprintListModel::QuantityColumn, "30");
    ReprintTotalCount = 30;
    tick();
    SeveralPasses();
    EXPECT_TRUE(fs::exists("auto/1234.vellora"));

    reprints.RemoveRowOf(first);
    ReprintFileCount = 0;
    ReprintTotalCount = 0;
    tick();
    EXPECT_TRUE(ReprintBacklogLow);
    EXPECT_TRUE(QTest::qWaitFor([] { return ReprintTotalCount == 2; }, 3000));
    EXPECT_FALSE(fs::exists("auto/1234.vellora"));
    EXPECT_EQ(ReprintRows(), QStringList{"0,1234,2"});
    AutoPrintRunning = false;
}

TEST_F(Feeds, ClicksStartAndStopTheThreadAndTheStateFileFollows)
{
    const struct
    {
        const ReprintFeedKind *kind;
        const char *title;
    } cases[] = {
        {&AutomaticReprint(), "Vellora - JPG照片中人的数量  Powered By OpenCV"},
        {&PhoneReprint(), "Vellora | Transmission"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        const QString key = c.kind->stateKey;
        companions.titles.clear();
        // Two clicks at once: one thread, asked to stop before it has even begun.
        EXPECT_TRUE(Feed(*c.kind).Click(0));
        EXPECT_EQ(ReadSysValue(QStringLiteral("System"), key), QStringLiteral("Start"));
        EXPECT_FALSE(Feed(*c.kind).Click(0));
        EXPECT_EQ(ReadSysValue(QStringLiteral("System"), key), QStringLiteral("Stop"));
        EXPECT_LE(c.kind->count, 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.kind->count == 0; }, 3000));
        EXPECT_FALSE(c.kind->running);
        EXPECT_EQ(companions.titles, std::vector<QString>{QString::fromUtf8(c.title)});

        // A click after it ended starts it again; one more stops it.
        EXPECT_TRUE(Feed(*c.kind).Click(0));
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.kind->running.load(); }, 3000));
        SeveralPasses();
        EXPECT_TRUE(c.kind->running);
        EXPECT_FALSE(Feed(*c.kind).Click(0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.kind->count == 0 && !c.kind->running; }, 3000));
    }
}

TEST_F(Feeds, ClickWithoutAFolderOnlyRecordsStop)
{
    SetReprintRules({});
    SystemSettings::SavePhoneReprintFolder(QString());
    for (const ReprintFeedKind *kind : {&AutomaticReprint(), &PhoneReprint()}) {
        EXPECT_FALSE(Feed(*kind).Click(0));
        EXPECT_EQ(ReadSysValue(QStringLiteral("System"), kind->stateKey), QStringLiteral("Stop"));
        EXPECT_EQ(kind->count, 0);
    }
    EXPECT_TRUE(companions.titles.empty());
}

TEST_F(Feeds, AFeedGoingAwayStopsItsThreadInItsPauseAndWaitsForIt)
{
    // Real pacing: a pass over the empty folder, then two seconds' pause.
    SetPauseScale(1.0);
    const ReprintFeedKind &kind = PhoneReprint();
    auto feed = std::make_unique<ReprintFeed>(kind, printed, reprints, companions, ui);
    ASSERT_TRUE(feed->Click(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return kind.running.load(); }, 3000));
    QTest::qWait(50); // in its pause by now

    const auto start = std::chrono::steady_clock::now();
    feed.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500))
        << "the pause ended when the feed asked its thread to stop";
    EXPECT_FALSE(kind.running) << "the thread had ended when the feed was gone";
    EXPECT_EQ(kind.count, 0);
}
