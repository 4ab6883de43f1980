#include "desk/ProcessState.h"
#include "intake/IntakeState.h"
#include "intake/SourceFolderScan.h"
#include "platform/Pause.h"
#include "platform/WorkerSet.h"
#include "tests/support/Eventually.h"
#include "tests/support/ProgramFolder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Stands in for the composition thread: takes the photo out of the source
// folder after a moment, holding ComposingNow meanwhile.
class FakeComposer final
{
public:
    StartComposition Starter()
    {
        return [this](std::unique_ptr<ScanTaskParams> task) {
            ComposingNow = true;
            {
                const std::lock_guard lock(m_mutex);
                m_taken.push_back(task->fileName);
            }
            std::thread([path = task->sourcePath] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                fs::remove(path.toStdString());
                --ComposeThreadCount;
                ComposingNow = false;
            }).detach();
        };
    }

    QStringList Taken() const
    {
        const std::lock_guard lock(m_mutex);
        return m_taken;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_taken;
};

void Touch(const fs::path &path)
{
    std::ofstream(path) << "x";
}

bool ScanIdle()
{
    return SourceScanCount == 0 && !ComposingNow;
}

} // namespace

TEST(SourceFolderScan, TakesJpegsOneAtATimeInNameOrderAndLeavesOtherFiles)
{
    const ProgramFolder folder;
    SetPauseScale(0.01);
    fs::create_directory("in");
    for (const char *name : {"c.jpg", "a.JPEG", "b.jpg", "notes.txt", "b.jpg.tmp", "photo.png", "jpg"})
        Touch(fs::path("in") / name);
    fs::create_directory("in/sub.jpg");

    FakeComposer composer;
    WorkerSet walks;
    ScanTaskParams fields;
    fields.sourceFolder = QStringLiteral("in");
    // One walk takes every photo it lists, each after the one before has ended.
    ASSERT_TRUE(RequestSourceScan(walks, fields, composer.Starter()));
    ASSERT_EVENTUALLY(ScanIdle(), 5000);
    EXPECT_EQ(composer.Taken(), QStringList({"a.JPEG", "b.jpg", "c.jpg"}));
    for (int scan = 0; scan < 3; ++scan) {
        ASSERT_EVENTUALLY(ScanIdle(), 5000);
        RequestSourceScan(walks, fields, composer.Starter());
    }
    ASSERT_EVENTUALLY(ScanIdle(), 5000);

    EXPECT_EQ(composer.Taken(), QStringList({"a.JPEG", "b.jpg", "c.jpg"}));
    for (const char *name : {"notes.txt", "b.jpg.tmp", "photo.png", "jpg", "sub.jpg"})
        EXPECT_TRUE(fs::exists(fs::path("in") / name)) << name;
    SetPauseScale(1.0);
}

TEST(SourceFolderScan, StartsOnlyWhenNothingElseRuns)
{
    const ProgramFolder folder;
    FakeComposer composer;
    WorkerSet walks;
    ScanTaskParams fields;
    EXPECT_FALSE(RequestSourceScan(walks, fields, composer.Starter())) << "no source folder";

    fields.sourceFolder = QStringLiteral("missing");
    ComposingNow = true;
    EXPECT_FALSE(RequestSourceScan(walks, fields, composer.Starter())) << "a composition runs";
    ComposingNow = false;

    ASSERT_TRUE(RequestSourceScan(walks, fields, composer.Starter())) << "a missing folder walks nothing";
    ASSERT_EVENTUALLY(ScanIdle(), 5000);
    EXPECT_TRUE(composer.Taken().isEmpty());
}
