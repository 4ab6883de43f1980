#include "intake/CombinationReprint.h"

#include "desk/ProcessState.h"
#include "desk/WorkingFolders.h"
#include "intake/IntakeState.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintListModel.h"
#include "intake/ReprintState.h"
#include "platform/Pause.h"
#include "platform/Utf16File.h"
#include "tests/support/ProgramFolder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

// The session over real models and its own thread, pauses scaled down a
// hundredfold (a pass takes some 20 ms, a file 50 ms).
class CombinationSession : public testing::Test
{
protected:
    CombinationSession()
    {
        CreateWorkingFolders();
        SetPauseScale(0.01);
        PrintedListReady = true;
        AutoPrintActive = true;
        PauseClicked = false;
        ReprintListBusy = false;
        ReprintFileCount = 0;
        ReprintTotalCount = 0;
    }
    ~CombinationSession() override
    {
        PauseClicked = true;
        EXPECT_TRUE(QTest::qWaitFor([this] { return !session.Running(); }, 3000));
        AutoPrintActive = false;
        PrintedListReady = false;
        PauseClicked = false;
        SetPauseScale(1.0);
    }

    void AddPrinted(const QString &name)
    {
        const QString path = QStringLiteral("Pic_R/") + name + QStringLiteral(".jpg");
        printed.InsertRow(printed.RowCount(), {QString(), QStringLiteral("1"), name, path, QStringLiteral("1")}, path);
    }

    QStringList ReprintRows() const
    {
        QStringList rows;
        for (const ReprintRow &row : reprints.Rows())
            rows.append(row.id + QLatin1Char(',') + row.name + QLatin1Char(',') + row.quantity + QLatin1Char(',') + row.path);
        return rows;
    }

    ProgramFolder folder;
    PhotoListModel printed{PhotoListModel::PrintedHeaders(), QSize(9, 6)};
    ReprintListModel reprints;
    std::mutex hintsMutex;
    QStringList hints;
    CombinationReprintSession session{printed, reprints, [this](const QString &hint) {
                                          const std::lock_guard lock(hintsMutex);
                                          hints.append(hint);
                                      }};
};

const fs::path InfoFile = fs::path("CombinationAddPrint") / "2024030509075.vellora";

TEST_F(CombinationSession, ExtraCopiesBecomeAReprintOnceThePictureIsPrinted)
{
    ASSERT_TRUE(Utf16File::WriteText(InfoFile, u"2\n"));
    AddPrinted(QStringLiteral("0001"));
    session.Start();
    ASSERT_TRUE(session.Running());
    // Not printed yet: the file waits, pass after pass.
    QTest::qWait(300);
    EXPECT_TRUE(fs::exists(InfoFile));
    EXPECT_TRUE(reprints.Rows().empty());

    AddPrinted(QStringLiteral("2024030509075"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return reprints.Rows().size() == 1 && !ReprintListBusy; }, 3000));
    EXPECT_FALSE(fs::exists(InfoFile));
    EXPECT_EQ(ReprintRows(), QStringList{QStringLiteral("1,2024030509075,2,Pic_R/2024030509075.jpg")});
    EXPECT_EQ(ReprintTotalCount, 2);
    EXPECT_EQ(ReprintFileCount, 1);
    EXPECT_FALSE(ReprintListBusy);
    const std::lock_guard lock(hintsMutex);
    EXPECT_EQ(hints, QStringList{QStringLiteral("成功添加补打信息，2024030509075补打2张")});
}

TEST_F(CombinationSession, AnInfoFileWaitsWhileAutomaticPrintingIsNotActive)
{
    AddPrinted(QStringLiteral("2024030509075"));
    ASSERT_TRUE(Utf16File::WriteText(InfoFile, u"2\n"));
    AutoPrintActive = false;
    session.Start();
    QTest::qWait(300);
    EXPECT_TRUE(fs::exists(InfoFile));
    AutoPrintActive = true;
    EXPECT_TRUE(QTest::qWaitFor([] { return !fs::exists(InfoFile); }, 3000));
}

TEST_F(CombinationSession, PauseEndsTheSessionAtItsNextCheckAndStartRunsOnlyOne)
{
    session.Start();
    session.Start(); // a second start while it runs starts nothing more
    ASSERT_TRUE(session.Running());
    // Pausing while a file is handled: the session ends after the file's pause.
    AddPrinted(QStringLiteral("2024030509075"));
    ASSERT_TRUE(Utf16File::WriteText(InfoFile, u"1\n"));
    ASSERT_TRUE(QTest::qWaitFor([] { return !fs::exists(InfoFile); }, 3000));
    PauseClicked = true;
    // At most one file's pause and one pass's pause: 70 ms scaled.
    EXPECT_TRUE(QTest::qWaitFor([this] { return !session.Running(); }, 1000));
    // A new info file is no longer read.
    ASSERT_TRUE(Utf16File::WriteText(InfoFile, u"3\n"));
    QTest::qWait(200);
    EXPECT_TRUE(fs::exists(InfoFile));
    EXPECT_EQ(reprints.Rows().size(), 1u);
    // Started again, it reads it.
    session.Start();
    EXPECT_FALSE(PauseClicked);
    EXPECT_TRUE(QTest::qWaitFor([] { return !fs::exists(InfoFile); }, 3000));
}

} // namespace
