#include "platform/Profile.h"

#include "tests/platform/FileBytes.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kWriters = 8;
constexpr int kKeysPerWriter = 1000;
const fs::path kFile = "Config/Shared.ini";

QString Section(int writer)
{
    return QStringLiteral("Writer%1").arg(writer);
}

QString Key(int writer, int index)
{
    return QStringLiteral("K%1_%2").arg(writer).arg(index);
}

QString Value(const QString &key)
{
    return QStringLiteral("v") + key;
}

// A complete file written by this test: every line ended, every line a
// section header or an entry whose value belongs to its key. Returns the
// number of entries, or -1 for a torn or damaged file.
int EntriesInCompleteFile(const QByteArray &bytes)
{
    if (!bytes.endsWith("\r\n"))
        return -1;
    int entries = 0;
    const QList<QByteArray> lines = bytes.left(bytes.size() - 1).split('\n');
    for (const QByteArray &raw : lines) {
        if (!raw.endsWith('\r'))
            return -1;
        const QString line = QString::fromLatin1(raw.left(raw.size() - 1));
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            continue;
        const QStringList parts = line.split(QLatin1Char('='));
        if (parts.size() != 2 || parts[1] != Value(parts[0]))
            return -1;
        ++entries;
    }
    return entries;
}

TEST(ProfileConcurrency, ParallelWritersLoseNothingAndReadersNeverSeeATornFile)
{
    const ProgramFolder folder;
    // Each writer adds keys to its own section, so every write edits text
    // already in the file and goes through a whole-file replacement.
    for (int writer = 0; writer < kWriters; ++writer)
        ASSERT_TRUE(Profile::Write(kFile, Section(writer), QStringLiteral("Start"), Value(QStringLiteral("Start"))));

    std::array<std::atomic<int>, kWriters> written{};
    for (std::atomic<int> &count : written)
        count = -1;
    std::atomic<int> writersRunning{kWriters};
    std::atomic<int> failedWrites{0};
    std::atomic<int> wrongReads{0};
    std::atomic<int> tornFiles{0};
    std::atomic<int> rawReads{0};

    std::thread reader([&] {
        int seenEntries = 0;
        for (int round = 0; writersRunning.load() > 0; ++round) {
            // The last write a writer finished is visible through the profile functions...
            const int writer = round % kWriters;
            const int index = written[writer].load();
            if (index >= 0) {
                const QString key = Key(writer, index);
                if (Profile::Read(kFile, Section(writer), key, QStringLiteral("Error")) != Value(key))
                    ++wrongReads;
            }
            // ...and in the raw file, which is always whole and never shrinks.
            const int entries = EntriesInCompleteFile(FileBytes(kFile).value_or(QByteArray()));
            if (entries < seenEntries)
                ++tornFiles;
            seenEntries = std::max(seenEntries, entries);
            ++rawReads;
        }
    });

    std::vector<std::thread> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.emplace_back([&, writer] {
            for (int index = 0; index < kKeysPerWriter; ++index) {
                const QString key = Key(writer, index);
                if (!Profile::Write(kFile, Section(writer), key, Value(key)))
                    ++failedWrites;
                written[writer] = index;
            }
            --writersRunning;
        });
    }
    for (std::thread &thread : writers)
        thread.join();
    reader.join();

    EXPECT_EQ(failedWrites.load(), 0);
    EXPECT_EQ(wrongReads.load(), 0);
    EXPECT_EQ(tornFiles.load(), 0);
    EXPECT_GT(rawReads.load(), 0);
    EXPECT_EQ(EntriesInCompleteFile(*FileBytes(kFile)), kWriters * (kKeysPerWriter + 1));
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int index = 0; index < kKeysPerWriter; ++index) {
            const QString key = Key(writer, index);
            ASSERT_EQ(Profile::Read(kFile, Section(writer), key, QStringLiteral("Error")), Value(key));
        }
    }
}

} // namespace
