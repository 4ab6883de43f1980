// A long day in a few minutes: PHOTOS photos (300 by default) dropped at
// once into the running program, two printers on a private CUPS daemon,
// and reprints asked for at random moments through the page's reprint
// fields, with every pause and the one-second timers scaled by 0.1.
//   SoakBench [PHOTOS]     (as root, like the private daemon)
// Fails unless, at the end, every photo was printed exactly once plus the
// reprints that were accepted, every job the spooler received is in the
// day's print record, and the number of threads did not keep growing.
// It also times each new photo's hand-over: from the moment it leaves the
// pending list to the moment its job has reached the spooler's printer
// (the private daemon's backend received it), sampled every 20 ms.
#include "bench/BenchWindow.h"

#include "compose/PictureNumber.h"
#include "intake/PhotoQueue.h"
#include "intake/PrintManager.h"
#include "intake/ReprintListModel.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "platform/DecimalText.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

namespace {

using CopiesByName = std::map<QString, int>;

CopiesByName ReceivedCopies(const PrivateCups &cups, int &jobs)
{
    CopiesByName copies;
    const auto received = cups.ReceivedJobs();
    jobs = static_cast<int>(received.size());
    for (const PrivateCups::ReceivedJob &job : received)
        copies[PictureNumberKey(job.title)] += std::max(1, job.copies);
    return copies;
}

CopiesByName RecordedCopies(int &lines)
{
    CopiesByName copies;
    const QStringList records = Utf16File::ReadLines(PrintRecordFile(TodayStamp())).value_or(QStringList());
    lines = 0;
    for (const QString &line : records) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        ++lines;
        copies[line.left(colon)] += DecimalValue(line.mid(colon + 1));
    }
    return copies;
}

// When each new photo left the pending list and when its job reached the
// printer, in milliseconds since the drop, sampled by Sample().
class HandOverClock
{
public:
    HandOverClock(const PhotoListModel &pending, const PrivateCups &cups) : m_pending(pending), m_cups(cups) {}

    void Sample(qint64 now)
    {
        std::set<QString> listed;
        for (const QStringList &row : m_pending.Rows())
            listed.insert(row.value(PendingNameColumn));
        for (const QString &name : m_listed) {
            if (!listed.count(name))
                m_left.emplace(PictureNumberKey(name), now);
        }
        m_listed = std::move(listed);
        for (const auto &folder : std::filesystem::directory_iterator(m_cups.Root() / "received")) {
            if (!m_seenJobs.insert(folder.path().filename().string()).second)
                continue;
            const QString title = JobTitle(folder.path() / "info");
            if (title.isEmpty())
                m_seenJobs.erase(folder.path().filename().string()); // not written whole yet
            else
                m_reached.emplace(PictureNumberKey(title), now); // a reprint's later job keeps the first
        }
    }

    // Hand-over times of the photos seen both leave and reach, in milliseconds, sorted.
    std::vector<qint64> Times() const
    {
        std::vector<qint64> times;
        for (const auto &[name, left] : m_left) {
            const auto reached = m_reached.find(name);
            if (reached != m_reached.end() && reached->second >= left)
                times.push_back(reached->second - left);
        }
        std::sort(times.begin(), times.end());
        return times;
    }

private:
    static constexpr int PendingNameColumn = 1;

    static QString JobTitle(const std::filesystem::path &info)
    {
        QFile file(QString::fromStdString(info.string()));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("title="))
                return QString::fromUtf8(line.mid(6));
        }
        return {};
    }

    const PhotoListModel &m_pending;
    const PrivateCups &m_cups;
    std::set<QString> m_listed;
    std::map<QString, qint64> m_left;
    std::map<QString, qint64> m_reached;
    std::set<std::string> m_seenJobs;
};

// Waits `ms` while the clock samples every 20 ms.
void WaitSampling(HandOverClock &clock, BenchWindow &bench, int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) {
        QTest::qWait(20);
        clock.Sample(bench.SinceDrop());
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int photos = argc > 1 ? std::max(10, QString::fromUtf8(argv[1]).toInt()) : 300;

    BenchWindow bench(0.1, QSize(50, 35));
    if (!bench.Open()) {
        std::fprintf(stderr, "the window or its printers did not come up\n");
        return 2;
    }
    Scene_Print_Manager &page = bench.Window().PrintManagerPage();
    PhotoQueue &queue = page.Manager().Queue();
    bench.StagePhotos(photos, QSize(900, 600));

    // Reprints the page accepted, by the rows they added.
    CopiesByName expected;
    for (int index = 1; index <= photos; ++index)
        expected[BenchWindow::Key(index)] = 1;
    int reprintCopies = 0;
    QObject::connect(&page.Reprints(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int first, int) {
        const QString name = page.Reprints().index(first, ReprintListModel::NameColumn).data().toString();
        const int copies = DecimalValue(page.Reprints().index(first, ReprintListModel::QuantityColumn).data().toString());
        expected[name] += copies;
        reprintCopies += copies;
    });

    const int startThreads = BenchWindow::ThreadCount();
    int mostThreads = startThreads;
    HandOverClock clock(queue.Pending(), bench.Cups());
    clock.Sample(0);
    bench.DropStagedPhotos();
    QRandomGenerator dice(23);
    const qint64 limit = photos * 3000LL + 120000;
    int requests = 0;
    while (bench.SinceDrop() < limit) {
        WaitSampling(clock, bench, static_cast<int>(dice.bounded(200, 1500)));
        mostThreads = std::max(mostThreads, BenchWindow::ThreadCount());
        const int printedRows = queue.Printed().RowCount();
        // A guest at the desk: a photo printed earlier, one or two more copies.
        if (printedRows > 0 && printedRows < photos && dice.bounded(3) == 0) {
            const QString name = queue.Printed().Text(static_cast<int>(dice.bounded(printedRows)), 2);
            page.NameField()->setText(name);
            page.QuantityField()->setText(QString::number(dice.bounded(1, 3)));
            page.ReprintButton()->click();
            ++requests;
        }
        int jobs = 0;
        const CopiesByName received = ReceivedCopies(bench.Cups(), jobs);
        if (printedRows == photos && page.Reprints().rowCount() == 0 && received == expected)
            break;
    }
    QTest::qWait(2000); // the last jobs' records
    const int endThreads = BenchWindow::ThreadCount();

    int jobs = 0;
    int recordLines = 0;
    const CopiesByName received = ReceivedCopies(bench.Cups(), jobs);
    const CopiesByName recorded = RecordedCopies(recordLines);
    const bool printedOnce = received == expected && queue.Printed().RowCount() == photos
        && QDir(QStringLiteral("Pic_R")).entryList(QDir::Files).size() == photos;
    const bool allRecorded = recorded == received && recordLines == jobs;
    const bool threadsBounded = endThreads <= startThreads + 8 && mostThreads <= startThreads + 40;

    std::printf("photos: %d, reprint clicks: %d, reprint copies accepted: %d, jobs received: %d in %.0f s\n", photos,
                requests, reprintCopies, jobs, bench.SinceDrop() / 1000.0);
    std::printf("every photo printed once plus its reprints: %s\n", printedOnce ? "yes" : "NO");
    if (const std::vector<qint64> times = clock.Times(); !times.empty())
        std::printf("hand-over to the printer, %zu photos: median %lld ms, 95th %lld ms, longest %lld ms\n",
                    times.size(), static_cast<long long>(times[times.size() / 2]),
                    static_cast<long long>(times[times.size() * 95 / 100]), static_cast<long long>(times.back()));
    std::printf("every job in the print record (%d lines): %s\n", recordLines, allRecorded ? "yes" : "NO");
    std::printf("threads: %d at the drop, at most %d, %d at the end: %s\n", startThreads, mostThreads, endThreads,
                threadsBounded ? "bounded" : "GREW");
    if (!printedOnce) {
        for (const auto &[name, copies] : expected) {
            const auto got = received.find(name);
            if (got == received.end() || got->second != copies)
                std::printf("  %s: expected %d, received %d\n", qPrintable(name), copies,
                            got == received.end() ? 0 : got->second);
        }
    }
    std::fflush(stdout);
    std::_Exit(printedOnce && allRecorded && threadsBounded ? 0 : 1);
}
