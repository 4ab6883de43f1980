#include "tests/phone/PhoneCrowd.h"
#include "tests/phone/PhoneDesk.h"

#include "desk/ProcessState.h"
#include "intake/ReprintFeed.h"
#include "intake/ReprintFeedState.h"
#include "intake/ReprintListModel.h"
#include "intake/ReprintRecords.h"
#include "phone/OrderBook.h"
#include "phone/PhoneServer.h"
#include "phone/PhoneSettings.h"
#include "phone/PrintedPhotos.h"
#include "platform/CompanionListener.h"
#include "platform/Pause.h"
#include "settings/SystemSettings.h"
#include "tests/support/Eventually.h"
#include "tests/support/TimerLateness.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <map>
#include <string>

using namespace std::chrono_literals;

namespace {

constexpr int Phones = 200;
constexpr int PhotosPrinted = 20;
// How long the desk is watched from the first order on; its feed applies one
// order file per pass, so it may not have applied them all by then.
constexpr qint64 WatchMs = 20000;

} // namespace

// 200 phones order at once from the companion's page while the desk, with
// phone reprint on, turns their order files into reprint rows: the desk's
// window keeps answering, and every order becomes exactly one row or is
// still waiting in its file.
TEST_F(PhoneDesk, TheDesksWindowKeepsAnsweringWhileTwoHundredPhonesOrder)
{
    for (int n = 1; n <= PhotosPrinted; ++n)
        PutPrinted(QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0')), n);
    PrintedPhotos photos;
    OrderBook orders([] { return SystemSettings::PhoneReprintFolder(); });
    const QString key = MakeEventKey();
    PhoneServer server(key, photos, orders);
    ASSERT_TRUE(server.Start(0));
    // The companion's end of the desk's message, so the desk finds it running.
    CompanionListener companion;
    ASSERT_TRUE(companion.Listen(PhoneReprint().companionTitle));

    OpenWindow();
    m_window->show();
    ASSERT_EVENTUALLY(PrintedListReady && Queue().Printed().RowCount() == PhotosPrinted, 15000);
    // No printer checked: the reprint rows stay in the list to be counted.
    Page().StartButton()->click();
    // The feed's pause after each file (5 s) at a fiftieth: 100 ms.
    SetPauseScale(0.02);
    Page().PhoneReprintBox()->click();
    ASSERT_TRUE(PhoneReprintRunning);

    QTimer tick;
    tick.setInterval(10);
    const TimerLateness lateness(tick);
    PhoneCrowd crowd(Phones, PhotosPrinted, server.Port(),
                     [&key](const std::string &rest) { return QStringLiteral("/%1/").arg(key).toStdString() + rest; });
    tick.start();
    QElapsedTimer watch;
    watch.start();
    crowd.Go();
    while (!crowd.Done() && watch.elapsed() < WatchMs)
        QTest::qWait(20);
    const qint64 burstMs = watch.elapsed();
    const std::chrono::milliseconds burstWorst = lateness.Worst();
    ASSERT_TRUE(crowd.Done()) << "every phone was answered within " << WatchMs << " ms";
    crowd.Join();
    while (!QDir(QStringLiteral("phone")).isEmpty() && watch.elapsed() < WatchMs)
        QTest::qWait(20);
    const qint64 watchedMs = watch.elapsed();
    tick.stop();
    Page().PhoneReprintBox()->click();
    ASSERT_EVENTUALLY(!PhoneReprintRunning, 5000);

    // Each order was answered and written once; the feed turned each file it
    // took into one row of the order's photo and copies, and the rest wait.
    std::map<QString, std::string> ordered; // file: "PHOTOxCOPIES"
    for (int i = 0; i < Phones; ++i) {
        const PhoneCrowd::Visit &visit = crowd.Visits()[i];
        for (const HttpAnswer *answer : {&visit.page, &visit.find, &visit.photo, &visit.order})
            EXPECT_EQ(answer->status, 200) << "phone " << i;
        ordered[PhoneCrowd::OrderFile(visit.order)] =
            QStringLiteral("%1x%2").arg(i % PhotosPrinted + 1, 4, 10, QLatin1Char('0')).arg(PhoneCrowd::Copies(i)).toStdString();
    }
    ASSERT_EQ(static_cast<int>(ordered.size()), Phones) << "200 distinct orders";
    std::map<std::string, int> applied; // "PHOTOxCOPIES": orders
    for (const auto &[file, order] : ordered)
        ++applied[order];
    const QStringList waiting = QDir(QStringLiteral("phone")).entryList(QDir::Files | QDir::Hidden);
    for (const QString &file : waiting) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(ordered.count(file)) << "only order files";
        EXPECT_EQ(ReadInfoCount(std::filesystem::path("phone") / file.toStdString()),
                  std::stoi(ordered[file].substr(ordered[file].find('x') + 1)));
        --applied[ordered[file]];
    }
    std::map<std::string, int> rows;
    for (const ReprintRow &row : Page().Reprints().Rows())
        ++rows[(row.name + QLatin1Char('x') + row.quantity).toStdString()];
    std::erase_if(applied, [](const auto &entry) { return entry.second == 0; });
    EXPECT_EQ(rows, applied) << "one reprint row for each order file taken";
    const int rowCount = Page().Reprints().RowCount();
    EXPECT_EQ(rowCount + waiting.size(), Phones);

    const auto [orderMedian, orderWorst, allMedian, allWorst] = crowd.AnswerTimes();
    std::printf("200 phones, 800 requests in %lld ms: order answers median %.1f ms, worst %.1f ms; all answers "
                "median %.1f ms, worst %.1f ms. The desk's 10 ms timer: %zu ticks in %lld ms, worst lateness %lld ms "
                "during the orders, %lld ms in all, mean %.1f ms; %d reprint rows, %lld orders waiting\n",
                static_cast<long long>(burstMs), orderMedian, orderWorst, allMedian, allWorst, lateness.Ticks(),
                static_cast<long long>(watchedMs), static_cast<long long>(burstWorst.count()),
                static_cast<long long>(lateness.Worst().count()), lateness.Mean(), rowCount,
                static_cast<long long>(waiting.size()));
    RecordProperty("order_median_ms", static_cast<int>(orderMedian));
    RecordProperty("order_worst_ms", static_cast<int>(orderWorst));
    RecordProperty("desk_worst_lateness_ms", static_cast<int>(lateness.Worst().count()));
    EXPECT_GT(rowCount, 0) << "the feed applied orders while watched";
    // The desk's thread never waits for the orders, the feed or the disk;
    // two shared cores may keep it from the processor, never this long.
    EXPECT_LT(lateness.Worst(), 250ms) << "the desk's window kept answering";
}
