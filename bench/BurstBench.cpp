// A card emptied into the source folder of the running program: PHOTOS
// photos of 3000 x 2000 dropped at once while automatic printing runs on two
// printers of a private CUPS daemon, in real time.
//   BurstBench [PHOTOS]     (200 by default; as root, like the private daemon)
// Reports the average seconds per composed photo and the time of the last
// one, the time to the first dispatch and to the first job the spooler
// received, how many photos were handed to a printer while the burst was
// still being composed, and the longest wait between two hand-overs while
// composed photos were waiting. Fails unless every photo was composed in name
// order with the numbers 1 to PHOTOS in that order and handed out in that order.
#include "bench/BenchWindow.h"

#include "compose/PictureNumber.h"
#include "intake/PhotoQueue.h"
#include "intake/PrintManager.h"
#include "intake/ui/Scene_Print_Manager.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <map>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int photos = argc > 1 ? std::max(1, QString::fromUtf8(argv[1]).toInt()) : 200;

    BenchWindow bench(1.0, QSize(152, 102));
    if (!bench.Open()) {
        std::fprintf(stderr, "the window or its printers did not come up\n");
        return 2;
    }
    bench.StagePhotos(photos, QSize(3000, 2000));
    PhotoQueue &queue = bench.Window().PrintManagerPage().Manager().Queue();

    // When each photo reached the pending list and the printed list, in list order.
    QStringList composedOrder;
    QStringList dispatchedOrder;
    std::vector<qint64> composedAt;
    std::vector<qint64> dispatchedAt;
    std::vector<qint64> waitingWhenDispatched;
    QObject::connect(&queue.Pending(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int first, int) {
        composedOrder << queue.Pending().index(first, 1).data().toString();
        composedAt.push_back(bench.SinceDrop());
    });
    QObject::connect(&queue.Printed(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int first, int) {
        dispatchedOrder << queue.Printed().index(first, 2).data().toString();
        dispatchedAt.push_back(bench.SinceDrop());
    });

    bench.DropStagedPhotos();
    qint64 firstReceived = -1;
    while (composedOrder.size() < photos && bench.SinceDrop() < photos * 5000LL) {
        QTest::qWait(50);
        if (firstReceived < 0 && !bench.Cups().ReceivedJobs().empty())
            firstReceived = bench.SinceDrop();
    }
    const qint64 lastComposed = composedAt.empty() ? 0 : composedAt.back();
    const auto printedDuringBurst = std::count_if(dispatchedAt.begin(), dispatchedAt.end(),
                                                  [&](qint64 at) { return at <= lastComposed; });
    // Longest gap between hand-overs while photos waited (from the first composed photo on).
    qint64 longestGap = 0;
    qint64 previous = composedAt.empty() ? 0 : composedAt.front();
    for (const qint64 at : dispatchedAt) {
        longestGap = std::max(longestGap, at - previous);
        previous = at;
    }
    longestGap = std::max(longestGap, lastComposed - previous);
    while (firstReceived < 0 && bench.SinceDrop() < lastComposed + 30000) {
        QTest::qWait(100);
        if (!bench.Cups().ReceivedJobs().empty())
            firstReceived = bench.SinceDrop();
    }

    bool inOrder = composedOrder.size() == photos;
    for (int index = 1; inOrder && index <= photos; ++index) {
        const QString key = BenchWindow::Key(index);
        inOrder = composedOrder[index - 1] == key + QStringLiteral(".JPG") && PictureNumberOf(key) == index;
    }
    for (int row = 0; inOrder && row < dispatchedOrder.size(); ++row)
        inOrder = dispatchedOrder[row] == BenchWindow::Key(row + 1);

    std::printf("photos composed: %lld of %d, in name order with numbers 1..%d and handed out in that order: %s\n",
                static_cast<long long>(composedOrder.size()), photos, photos, inOrder ? "yes" : "NO");
    std::printf("average per photo: %.2f s, last composed at %.1f s after the drop\n",
                lastComposed / 1000.0 / std::max(1, static_cast<int>(composedOrder.size())), lastComposed / 1000.0);
    std::printf("first hand-over to a printer at %.1f s, first job received by the spooler at %.1f s\n",
                dispatchedAt.empty() ? -1.0 : dispatchedAt.front() / 1000.0, firstReceived / 1000.0);
    std::printf("handed to a printer while the burst was composed: %lld (one four-second cycle: %.1f)\n",
                static_cast<long long>(printedDuringBurst), lastComposed / 4000.0);
    std::printf("longest wait between hand-overs while photos waited: %.1f s\n", longestGap / 1000.0);
    std::fflush(stdout);
    // Workers are not waited for, as in the program.
    std::_Exit(inOrder ? 0 : 1);
}
