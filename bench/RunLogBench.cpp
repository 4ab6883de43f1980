// Cost of one run-log entry as the day's log grows: writes 100,000 entries
// into one day's file and compares the first thousand with the last.
// Usage: RunLogBench [entries]   (exit code 1 when the last thousand cost
// more than twice the first)

#include "desk/RunLog.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QSet>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int kBlock = 1000;
constexpr double kAllowedRatio = 2.0;

double MicrosecondsPerEntry(std::chrono::steady_clock::duration blockTime)
{
    return std::chrono::duration<double, std::micro>(blockTime).count() / kBlock;
}

} // namespace

int main(int argc, char **argv)
{
    const int entries = argc > 1 ? std::max(std::atoi(argv[1]), 2 * kBlock) / kBlock * kBlock : 100'000;

    QTemporaryDir programFolder;
    if (!programFolder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary program folder\n");
        return 2;
    }
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(programFolder.path().toStdString());
    std::filesystem::create_directories("Config/LOG");

    // One millisecond later on every reading, so nearly every entry gets a section of its own.
    const QDateTime start(QDate(2026, 12, 8), QTime(10, 0));
    std::atomic<qint64> readings{0};
    Clock::Fix([&] { return start.addMSecs(readings++); });

    // Unpadded section names still collide now and then; those entries find
    // their section already there (same text, so nothing is rewritten).
    QSet<QString> sections;
    for (int i = 0; i < entries; ++i)
        sections.insert(RunLogSectionName(start.addMSecs(i)));

    const QString text = QStringLiteral("完成打印机工作状态");
    std::vector<std::chrono::steady_clock::duration> blocks;
    for (int block = 0; block < entries / kBlock; ++block) {
        const auto blockStart = std::chrono::steady_clock::now();
        for (int i = 0; i < kBlock; ++i)
            WriteRunLog(text);
        blocks.push_back(std::chrono::steady_clock::now() - blockStart);
    }
    Clock::Reset();

    const std::filesystem::path log = RunLogFileName(start).toStdString();
    const auto fileSize = std::filesystem::file_size(log);
    std::filesystem::current_path(previous);

    std::printf("Run log: %d entries through WriteRunLog, %lld distinct sections, final file %.1f MiB\n\n",
                entries, static_cast<long long>(sections.size()), static_cast<double>(fileSize) / (1024.0 * 1024.0));
    std::printf("%-22s %16s\n", "entries", "us per entry");
    for (std::size_t block = 0; block < blocks.size(); ++block) {
        if (block == 0 || block + 1 == blocks.size() || (block + 1) % 10 == 0)
            std::printf("%9zu - %-10zu %16.2f\n", block * kBlock + 1, (block + 1) * kBlock,
                        MicrosecondsPerEntry(blocks[block]));
    }
    const double first = MicrosecondsPerEntry(blocks.front());
    const double last = MicrosecondsPerEntry(blocks.back());
    const double ratio = last / first;
    std::printf("\nfirst thousand %.2f us, last thousand %.2f us per entry, ratio %.2f (allowed %.1f): %s\n", first,
                last, ratio, kAllowedRatio, ratio <= kAllowedRatio ? "ok" : "TOO SLOW");
    return ratio <= kAllowedRatio ? 0 : 1;
}
