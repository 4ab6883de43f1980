#include "desk/ProcessState.h"
#include "desk/SysValues.h"
#include "desk/WorkingFolders.h"
#include "compose/PictureNumber.h"
#include "intake/IntakeState.h"
#include "intake/PaperSettingsFile.h"
#include "intake/PrintManager.h"
#include "intake/ReprintState.h"
#include "platform/CodePage936.h"
#include "platform/Pause.h"
#include "platform/Profile.h"
#include "settings/SystemSettings.h"
#include "tests/support/Eventually.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/RunLogText.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Manager : public testing::Test
{
protected:
    Manager()
    {
        CreateWorkingFolders();
        SetPauseScale(0.01);
        AutoPrintRunning = false;
        PrintedListReady = true;
        PendingScanRunning = false;
        PendingScanCount = 0;
        SystemSettings::Load();
    }
    ~Manager() override
    {
        // Scans the test started end before the folder goes.
        EXPECT_TRUE(QTest::qWaitFor([] { return PendingScanCount == 0 && PrintedListReady; }, 5000));
        AutoPrintRunning = false;
        AutoPrintActive = false;
        ManualMode = false;
        SetPauseScale(1.0);
    }

    ProgramFolder folder;
    PrintManager manager;
};

} // namespace

TEST(PrintManagerRules, ProgramPhotoFoldersCannotBeTheSource)
{
    const struct
    {
        const char *folder;
        bool refused;
    } cases[] = {
        {"/home/event/in", false},      {"/home/event/Pic_T", true},        {"/data/Pic_T/cam1/in", true},
        {"/data/pic_t/cam1", false},    {"/srv/Pic_P", true},               {"/srv/xPic_Bx", true},
        {"Pic_S", false} /* only after the first character */,             {"/srv/Pic_R/", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsProgramPhotoFolder(QString::fromUtf8(c.folder)), c.refused) << c.folder;
}

TEST_F(Manager, RefusedSourceFolderKeepsTheOldOne)
{
    ASSERT_TRUE(manager.ChooseSourceFolder(QStringLiteral("/event/in")));
    EXPECT_FALSE(manager.ChooseSourceFolder(QStringLiteral("/event/Pic_T")));
    EXPECT_EQ(manager.SourceFolder().toStdString(), "/event/in");
    EXPECT_EQ(Profile::Read("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"), {})
                  .toStdString(),
              "/event/in");
}

TEST_F(Manager, QualityIsBroughtIntoRangeAndSaidInTheHintLine)
{
    const struct
    {
        const char *typed;
        int used;
        const char *hint;
    } cases[] = {
        {"5", 10, "质量“5”超出范围 10–100，已改用 10"},
        {"250", 100, "质量“250”超出范围 10–100，已改用 100"},
        {"80", 80, ""},
        {"abc", 80, "质量“abc”不是数字，仍用 80"},
    };
    for (const auto &c : cases) {
        QSignalSpy hints(&manager, &PrintManager::HintChanged);
        EXPECT_EQ(manager.CommitQuality(QString::fromUtf8(c.typed)), c.used) << c.typed;
        EXPECT_EQ(SystemSettings::PictureQuality(), c.used) << c.typed;
        EXPECT_EQ(Profile::Read("Config/SystemSeting.ini", QStringLiteral("SynthesisPictureQuality"),
                                QStringLiteral("value"), {}),
                  QString::number(c.used));
        EXPECT_EQ(hints.isEmpty() ? QString() : hints.last().at(0).toString(), QString::fromUtf8(c.hint)) << c.typed;
    }
}

// A paper side typed with an extra digit (or none, or letters) is refused
// when the field is left: the size in force stays in the fields, the paper
// file and the composition, and the hint line and the run log say so.
TEST_F(Manager, PaperSizeOutsideThePapersAnEventUsesIsRefused)
{
    manager.EditPaperSize(QStringLiteral("152"), QStringLiteral("102"));
    manager.CommitPaperSize();
    ASSERT_EQ(PaperWidthMm, 152);
    const struct
    {
        const char *width, *height;
        const char *hint;
    } cases[] = {
        {"99999", "102", "打印纸宽“99999”超出范围 10–500 mm，仍用 152 mm"},
        {"152", "1020", "打印纸高“1020”超出范围 10–500 mm，仍用 102 mm"},
        {"0", "102", "打印纸宽“0”超出范围 10–500 mm，仍用 152 mm"},
        {"152", "abc", "打印纸高“abc”不是数字，仍用 102 mm"},
        {"-152", "102", "打印纸宽“-152”超出范围 10–500 mm，仍用 152 mm"},
    };
    for (const auto &c : cases) {
        QSignalSpy hints(&manager, &PrintManager::HintChanged);
        manager.EditPaperSize(QString::fromUtf8(c.width), QString::fromUtf8(c.height));
        manager.CommitPaperSize();
        EXPECT_EQ(manager.PaperWidthText(), QStringLiteral("152")) << c.hint;
        EXPECT_EQ(manager.PaperHeightText(), QStringLiteral("102")) << c.hint;
        EXPECT_EQ(PaperWidthMm, 152);
        EXPECT_EQ(PaperHeightMm, 102);
        ASSERT_EQ(hints.size(), 1) << c.hint;
        EXPECT_EQ(hints[0].at(0).toString(), QString::fromUtf8(c.hint));
        EXPECT_EQ(RunLogCount(QString::fromUtf8(c.hint)), 1) << c.hint;
    }
    manager.EditPaperSize(QStringLiteral("200"), QStringLiteral("300"));
    manager.CommitPaperSize();
    EXPECT_EQ(PaperWidthMm, 200);
    EXPECT_EQ(ReadPaperSettings()->height, QStringLiteral("300"));
}

// A paper file holding a size no event prints on leaves no paper at all:
// nothing is composed on it (the road stops with its message) until one is typed.
TEST_F(Manager, StoredPaperSizeOutsideTheRangeIsNotTaken)
{
    ASSERT_TRUE(WritePaperSettings({QStringLiteral("99999"), QStringLiteral("102")}));
    QSignalSpy hints(&manager, &PrintManager::HintChanged);
    manager.Load();
    EXPECT_EQ(manager.PaperWidthText(), QString());
    EXPECT_EQ(manager.PaperHeightText(), QStringLiteral("102"));
    EXPECT_EQ(PaperWidthMm, 0);
    ASSERT_FALSE(hints.isEmpty());
    EXPECT_EQ(hints[0].at(0).toString(), QStringLiteral("打印纸宽“99999”超出范围 10–500 mm，未采用（没有可用的值）"));
}

TEST_F(Manager, StartIsRefusedWhileTheListsAreRestored)
{
    PrintedListReady = false;
    EXPECT_EQ(manager.Start(), PrintManager::StartResult::ListsRestoring);
    EXPECT_FALSE(AutoPrintRunning.load());
    EXPECT_FALSE(manager.StartChecked());
    PrintedListReady = true;
    PendingScanRunning = true;
    EXPECT_EQ(manager.Start(), PrintManager::StartResult::ListsRestoring);
    PendingScanRunning = false;

    EXPECT_EQ(manager.Start(), PrintManager::StartResult::Started);
    EXPECT_TRUE(AutoPrintRunning.load());
    EXPECT_EQ(ReadSysValue(QStringLiteral("System"), QStringLiteral("AutoPrint")).toStdString(), "Start");
    manager.Pause();
    EXPECT_FALSE(AutoPrintRunning.load());
    EXPECT_EQ(ReadSysValue(QStringLiteral("System"), QStringLiteral("AutoPrint")).toStdString(), "Stop");
}

TEST_F(Manager, StartWithBothListsEmptyForgetsTheNumbersButNotTheCounter)
{
    RecordPictureNumber(QStringLiteral("1234"), 57);
    PictureCounter = 57;
    manager.Queue().Printed().InsertRow(0, {QString(), "1", "1234", "Pic_R/1234.jpg", "57"}, {});
    manager.Start();
    EXPECT_TRUE(QFile::exists(QStringLiteral("Config/PictureNumber.ini"))) << "a photo is still listed";

    manager.Pause();
    manager.Queue().Printed().Clear();
    manager.Start();
    EXPECT_FALSE(QFile::exists(QStringLiteral("Config/PictureNumber.ini")));
    EXPECT_EQ(NextPictureNumber(), 58);
}

TEST_F(Manager, PausedTicksPutTheRadioBackAndF4SwitchesManualMode)
{
    PrintedListReady = false; // a refused start
    manager.Start();
    manager.Tick();
    EXPECT_FALSE(manager.StartChecked());
    EXPECT_FALSE(AutoPrintActive.load());

    manager.ToggleManualMode();
    EXPECT_TRUE(ManualMode.load());
    ASSERT_EVENTUALLY(PrintedListReady, 5000); // the first tick's printed-folder scan
    manager.Start();
    manager.ToggleManualMode();
    EXPECT_TRUE(ManualMode.load()) << "only while paused";
    manager.Tick();
    EXPECT_FALSE(ManualMode.load()) << "the first tick of automatic printing ends manual mode";
    EXPECT_TRUE(AutoPrintActive.load());
}

// A slow spooler at start: the printed-folder scan, which restores the
// printers' counts, waits until the enumeration has filled the printer table.
TEST_F(Manager, FirstTickScansOnlyOnceThePrintersAreEnumerated)
{
    const auto scanned = [] {
        QString log;
        for (const auto &file : std::filesystem::directory_iterator("Config/LOG")) {
            QFile text(QString::fromStdString(file.path().string()));
            if (text.open(QIODevice::ReadOnly))
                log += CodePage936::ToUnicode(text.readAll());
        }
        return log.contains("开始检查已打印目录线程");
    };
    PrinterEnumerationRunning = true;
    manager.Tick();
    QTest::qWait(200);
    EXPECT_FALSE(scanned());
    PrinterEnumerationRunning = false;
    manager.Tick();
    ASSERT_EVENTUALLY(scanned(), 5000);
}

TEST_F(Manager, TickStartsTheReprintWorkerOnlyWhenItMayRun)
{
    int starts = 0;
    manager.startReprintWorker = [&starts] { ++starts; };
    manager.Tick(); // the first tick's scans
    ASSERT_EVENTUALLY(PendingScanCount == 0 && PrintedListReady, 5000);
    const struct
    {
        const char *what;
        std::function<void()> set;
        bool starts;
    } cases[] = {
        {"reprints wait, automatic printing runs", [] {}, true},
        {"the quantity field is being edited", [] { CountEditActive = true; }, false},
        {"a reprint is being added", [] { ReprintListBusy = true; }, false},
        {"the worker handles a row", [] { ReprintWorkerBusy = true; }, false},
        {"the dispatcher's slots are not ready", [] { PrintWorkersReady = false; }, false},
        {"no reprints", [] { ReprintFileCount = 0; }, false},
        {"paused", [] { AutoPrintRunning = false; }, false},
        {"paused in manual mode", [] { AutoPrintRunning = false, ManualMode = true; }, true},
    };
    const auto reset = [](bool reprintsWait) {
        AutoPrintRunning = reprintsWait;
        ManualMode = false;
        PrintWorkersReady = reprintsWait;
        ReprintFileCount = reprintsWait ? 2 : 0;
        CountEditActive = false;
        ReprintListBusy = false;
        ReprintWorkerBusy = false;
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        reset(true);
        c.set();
        starts = 0;
        manager.Tick();
        EXPECT_EQ(starts > 0, c.starts);
    }
    reset(false);
}
