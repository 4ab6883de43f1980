#include "platform/CupsSpooler.h"
#include "tests/support/PrivateCups.h"

#include <QThread>

#include <gtest/gtest.h>

#include <fstream>

namespace {

class CupsSpoolerTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_cups = new PrivateCups;
        ASSERT_TRUE(s_cups->Start());
        s_cups->UseInThisProcess();
        std::ofstream(s_cups->Root() / "page.txt") << "page\n";
    }

    static void TearDownTestSuite()
    {
        delete s_cups;
        s_cups = nullptr;
    }

    static std::filesystem::path Page() { return s_cups->Root() / "page.txt"; }

    // Polls the spooler until the printer's status word has the bit.
    static bool WaitForStatus(CupsSpooler &spooler, const QString &name, uint32_t bit)
    {
        for (int attempt = 0; attempt < 200; ++attempt) {
            const auto info = spooler.Information({name});
            if (info && (info->status & bit))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    static PrivateCups *s_cups;
};

PrivateCups *CupsSpoolerTest::s_cups = nullptr;

TEST(CupsStatusMapping, ReasonsAndStatesGiveTheirBits)
{
    const struct
    {
        CupsPrinterState state;
        uint32_t word;
    } cases[] = {
        {{3, {"none"}, true}, 0},
        {{4, {}, true}, PrinterStatusBit::Printing},
        {{5, {"paused"}, true}, PrinterStatusBit::Paused},
        {{3, {}, false}, PrinterStatusBit::NotAvailable},
        {{3, {"media-jam-error"}, true}, PrinterStatusBit::PaperJam},
        {{3, {"media-empty-error", "media-needed-warning"}, true}, PrinterStatusBit::PaperOut},
        {{3, {"door-open-report", "toner-low-warning"}, true}, PrinterStatusBit::DoorOpen | PrinterStatusBit::TonerLow},
        {{3, {"offline-report"}, true}, PrinterStatusBit::Offline},
        {{3, {"toner-empty-error", "output-area-full-warning"}, true},
         PrinterStatusBit::NoToner | PrinterStatusBit::OutputBinFull},
        {{3, {"cups-unknown-reason"}, true}, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CupsPrinterStatusWord(c.state), c.word) << c.state.reasons.join(',').toStdString();

    const std::pair<int, uint32_t> jobs[] = {{3, 0}, {4, 0x1}, {5, 0x10}, {6, 0x1}, {7, 0x100}, {8, 0x2}, {9, 0x80}};
    for (const auto &[state, word] : jobs)
        EXPECT_EQ(CupsJobStatusWord(state), word) << state;
}

TEST_F(CupsSpoolerTest, CommandLineStatesGiveTheirStatusWords)
{
    ASSERT_TRUE(s_cups->AddQueue("Map"));
    CupsSpooler spooler;
    const PrinterHandle map{"Map"};
    ASSERT_TRUE(spooler.EnumeratePrinters().value_or(QStringList()).contains("Map"));

    auto info = spooler.Information(map);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->status, 0u) << "idle";
    EXPECT_EQ(info->jobsKnown, 0);

    ASSERT_TRUE(s_cups->SetEnabled("Map", false));
    const auto id = s_cups->Submit("Map", Page(), "first.jpg");
    ASSERT_TRUE(id);
    info = spooler.Information(map);
    EXPECT_EQ(info->status, PrinterStatusBit::Paused) << "stopped, holding a job";
    EXPECT_EQ(info->jobsKnown, 1);
    auto jobs = spooler.Jobs(map, 0, 1);
    ASSERT_TRUE(jobs);
    ASSERT_EQ(jobs->size(), 1u);
    EXPECT_EQ((*jobs)[0].document, "first.jpg");
    EXPECT_EQ((*jobs)[0].status, 0u) << "pending";

    ASSERT_TRUE(s_cups->HoldJob(*id));
    EXPECT_EQ(spooler.Jobs(map, 0, 1)->at(0).status, JobStatusBit::Paused) << "held";

    ASSERT_TRUE(s_cups->SetAccepting("Map", false));
    EXPECT_EQ(spooler.Information(map)->status, PrinterStatusBit::Paused | PrinterStatusBit::NotAvailable)
        << "stopped and refusing jobs";
    ASSERT_TRUE(s_cups->SetAccepting("Map", true));

    ASSERT_TRUE(s_cups->CancelJob(*id));
    EXPECT_EQ(spooler.JobStatus(*id), JobStatusBit::Deleted) << "cancelled";
    EXPECT_TRUE(spooler.Jobs(map, 0, 5)->empty());

    s_cups->StallBackend(true);
    ASSERT_TRUE(s_cups->SetEnabled("Map", true));
    const auto printing = s_cups->Submit("Map", Page(), "second.jpg");
    ASSERT_TRUE(printing);
    EXPECT_TRUE(WaitForStatus(spooler, "Map", PrinterStatusBit::Printing)) << "processing";
    EXPECT_EQ(spooler.Jobs(map, 0, 1)->at(0).status, JobStatusBit::Printing);
    s_cups->StallBackend(false);
    ASSERT_TRUE(s_cups->WaitForReceived(1, std::chrono::seconds(20)));
    EXPECT_EQ(s_cups->ReceivedJobs().back().title, "second.jpg");
}

TEST_F(CupsSpoolerTest, DefaultPaperIsTheQueuesOwn)
{
    struct Case
    {
        const char *queue;
        QString model;
        const char *pageSize;
        const char *name;
        QSizeF size;        // points
        QMarginsF margins;  // points
    };
    const Case cases[] = {
        {"Office-A4", {}, "A4", "A4", {595, 842}, {12, 12, 12, 12}},
        {"Office-Letter", {}, "Letter", "Letter", {612, 792}, {12, 12, 12, 12}},
        // The dye-sublimation driver's 4x6 sheet, which the daemon itself cannot name.
        {"DyeSub", PrivateCups::kDyeSublimationModel, "w288h432", "4x6", {297.6, 460.8}, {0, 9.12, 0, 9.12}},
    };
    CupsSpooler spooler;
    for (const Case &test : cases) {
        SCOPED_TRACE(test.queue);
        ASSERT_TRUE(s_cups->AddQueue(test.queue, test.model));
        ASSERT_TRUE(s_cups->SetOption(test.queue, "PageSize", test.pageSize));
        const auto device = spooler.DefaultDevice(test.queue);
        ASSERT_TRUE(device);
        EXPECT_EQ(device->port, QStringLiteral("vtest:/") + test.queue);
        EXPECT_EQ(device->paperName, test.name);
        EXPECT_NEAR(device->paperSize.width(), test.size.width(), 0.5);
        EXPECT_NEAR(device->paperSize.height(), test.size.height(), 0.5);
        EXPECT_NEAR(device->paperMargins.left(), test.margins.left(), 0.5);
        EXPECT_NEAR(device->paperMargins.top(), test.margins.top(), 0.5);
        EXPECT_NEAR(device->paperMargins.right(), test.margins.right(), 0.5);
        EXPECT_NEAR(device->paperMargins.bottom(), test.margins.bottom(), 0.5);
        EXPECT_EQ(device->orientation, 1);
    }
    EXPECT_FALSE(spooler.Open("Nobody"));
    EXPECT_EQ(spooler.PreferencesPage("Office-A4"), QUrl("http://localhost:631/printers/Office-A4"));
}

TEST_F(CupsSpoolerTest, HungDaemonNeverHoldsAPrintJob)
{
    ASSERT_TRUE(s_cups->AddQueue("HangJob"));
    CupsSpooler spooler;
    s_cups->Freeze();
    const auto started = std::chrono::steady_clock::now();
    const SpoolerAnswer answer = spooler.PrintJpeg("HangJob", JpegDocument{"hung.jpg", 1, QByteArray(4096, 'x'), {}});
    const auto took = std::chrono::steady_clock::now() - started;
    s_cups->Thaw();
    EXPECT_FALSE(answer.accepted);
    EXPECT_LT(took, 3 * CupsSpooler::kJobTimeout);
}

TEST_F(CupsSpoolerTest, HungDaemonCostsOneTimeout)
{
    ASSERT_TRUE(s_cups->AddQueue("Hang"));
    CupsSpooler spooler;
    s_cups->Freeze();
    const auto started = std::chrono::steady_clock::now();
    const auto first = spooler.Information({"Hang"});
    const auto second = spooler.Information({"Hang"}); // fails at once now
    const auto took = std::chrono::steady_clock::now() - started;
    s_cups->Thaw();
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    RecordProperty("hung_daemon_two_calls_ms",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}

} // namespace
