#include "desk/PrinterListModel.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/SysValues.h"
#include "app/CVelloraDlg.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "printing/PrintDispatcher.h"
#include "printing/PrintJob.h"
#include "printing/PrinterRegistry.h"
#include "printing/WorkMode.h"
#include "intake/PhotoListModel.h"
#include "intake/PhotoQueue.h"
#include "intake/PrintManager.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "tests/support/Eventually.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ProgramFolder.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(16, 45, 1, 7));

// Answers the next message box the window opens and remembers what it asked.
struct AnsweredQuestion
{
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

std::optional<AnsweredQuestion> AnswerNextQuestion(QMessageBox::StandardButton answer,
                                                   const std::function<void()> &action,
                                                   const std::function<void()> &whileOpen = {})
{
    std::optional<AnsweredQuestion> asked;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        asked = AnsweredQuestion{box->windowTitle(), box->text(), box->standardButtons(),
                                 box->defaultButton() ? box->standardButton(box->defaultButton())
                                                      : QMessageBox::NoButton};
        if (whileOpen)
            whileOpen();
        box->button(answer)->click();
    });
    poll.start(10);
    action();
    return asked;
}

class WindowFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        Clock::Fix([] { return kNow; });
        DispatchBusy = false;
        AutoPrintActive = false;
        PrintCyclePhase = 0;
    }
    void TearDown() override { Clock::Reset(); }

    std::unique_ptr<CVelloraDlg> OpenWindow()
    {
        auto window = std::make_unique<CVelloraDlg>([this] { ++m_processEnds; });
        window->setWindowState(Qt::WindowNoState);
        window->show();
        return window;
    }

    QString Sys(const char *key) { return ReadSysValue(QStringLiteral("System"), QString::fromUtf8(key)); }

    ProgramFolder m_folder;
    int m_processEnds = 0;
};

} // namespace

TEST_F(WindowFixture, CloseAsksFirstAndNoResumesEverything)
{
    auto window = OpenWindow();
    WriteSysValue(QStringLiteral("System"), QStringLiteral("AutoPrint"), QStringLiteral("Start"));

    const auto asked = AnswerNextQuestion(QMessageBox::No, [&] { window->close(); });

    ASSERT_TRUE(asked.has_value());
    EXPECT_EQ(asked->title.toStdString(), "提示");
    EXPECT_EQ(asked->text.toStdString(), "确定要退出吗？");
    EXPECT_EQ(asked->buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(asked->defaultButton, QMessageBox::No);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(DispatchBusy.load());
    EXPECT_EQ(m_processEnds, 0);
    EXPECT_EQ(Sys("AutoPrint").toStdString(), "Start");
    EXPECT_EQ(Sys("Action").toStdString(), "Start");
}

// The close question says what would be left unprinted.
TEST_F(WindowFixture, CloseQuestionCountsThePhotosThatWait)
{
    std::filesystem::create_directories("Pic_P");
    QImage photo(60, 40, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    for (int index = 1; index <= 3; ++index)
        ASSERT_TRUE(photo.save(QStringLiteral("Pic_P/000%1.jpg").arg(index)));
    auto window = OpenWindow();
    PhotoListModel &pending = window->PrintManagerPage().Manager().Queue().Pending();
    ASSERT_EVENTUALLY(pending.rowCount() == 3, 10000);
    ReprintTotalCount = 2;
    const auto asked = AnswerNextQuestion(QMessageBox::No, [&] { window->close(); });
    ReprintTotalCount = 0;
    ASSERT_TRUE(asked.has_value());
    EXPECT_EQ(asked->text.toStdString(), "确定要退出吗？\n还有 3 张照片等待打印。\n还有 2 张补打等待打印。");
}

// A job that ends, or the dispatcher's one-second hold running out, clears
// DispatchBusy while the question is open: still nothing is dispatched and
// no refresh starts until it is answered.
TEST_F(WindowFixture, NothingIsDispatchedWhileTheCloseQuestionIsOpen)
{
    auto window = OpenWindow();
    ASSERT_EVENTUALLY(window->Registry().ListReady(), 5000);
    bool dispatched = true;
    bool refreshed = true;
    const auto asked = AnswerNextQuestion(QMessageBox::No, [&] { window->close(); }, [&] {
        DispatchBusy = false;
        PrinterTable.push_back(PrinterEntry{.name = QStringLiteral("Idle"), .checked = true});
        SelectedPrinterCount = 1;
        dispatched = DispatchPhoto("Pic_R/late.jpg", 1, QStringLiteral("late.jpg"), WorkModeReprint);
        PrintCyclePhase = 1;
        refreshed = window->Registry().OnTimerTick();
    });
    ASSERT_TRUE(asked.has_value());
    EXPECT_FALSE(dispatched);
    EXPECT_FALSE(refreshed);
    EXPECT_FALSE(DispatchSuspended());
    ASSERT_EVENTUALLY(PrintThreadsRunning() == 0, 5000);
    PrinterTable.clear();
    SelectedPrinterCount = 0;
    PrintCyclePhase = 0;
}

TEST_F(WindowFixture, YesRecordsEverythingStoppedThenClosesAndTheNextStartDoesNotRecover)
{
    {
        auto window = OpenWindow();
        EXPECT_FALSE(window->RecoveryPending()) << "a first start is no crash";
        for (const char *key : {"AutoAddPrint", "PhoneAddPrint", "AutoPrint"})
            WriteSysValue(QStringLiteral("System"), QString::fromUtf8(key), QStringLiteral("Start"));
        AutoPrintRunning = true;

        const auto asked = AnswerNextQuestion(QMessageBox::Yes, [&] { window->close(); });

        ASSERT_TRUE(asked.has_value());
        EXPECT_EQ(m_processEnds, 1);
        EXPECT_FALSE(AutoPrintRunning.load());
        EXPECT_EQ(Sys("AutoAddPrint").toStdString(), "Stop");
        EXPECT_EQ(Sys("PhoneAddPrint").toStdString(), "Stop");
        EXPECT_EQ(Sys("AutoPrint").toStdString(), "Stop");
        EXPECT_EQ(Sys("ChoosePrinter").toStdString(), "False");
        EXPECT_EQ(Sys("Action").toStdString(), "Close");
        EXPECT_EQ(LastRunLogEntry(kNow).toStdString(), "关闭软件");
    }
    const auto nextStart = OpenWindow();
    EXPECT_FALSE(nextStart->RecoveryPending());
}

TEST_F(WindowFixture, EnterAndEscapeNeverClose)
{
    auto window = OpenWindow();
    const auto asked = AnswerNextQuestion(QMessageBox::No, [&] {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(window.get(), key);
        QTest::qWait(50);
    });
    EXPECT_FALSE(asked.has_value());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowFixture, LayoutFollowsTheClientRectangle)
{
    auto window = OpenWindow();
    window->resize(800, 600);
    QTest::qWait(20);
    EXPECT_EQ(window->Tabs()->geometry(), QRect(2, 1, 797, 439));
    EXPECT_EQ(window->PrinterList()->geometry(), QRect(2, 442, 797, 137));
    EXPECT_EQ(window->StatusBar()->geometry(), QRect(0, 579, 800, 21));
    for (int column = 0; column < PrinterListModel::ColumnCount; ++column)
        EXPECT_EQ(window->PrinterList()->columnWidth(column), 797 / PrinterListModel::ColumnCount - 3);

    // Too small a tab area: the tabs stay, the list follows the bottom edge.
    window->resize(700, 300);
    QTest::qWait(20);
    EXPECT_EQ(window->Tabs()->geometry(), QRect(2, 1, 797, 439));
    EXPECT_EQ(window->PrinterList()->geometry(), QRect(2, 142, 697, 137));
    EXPECT_EQ(window->PrinterList()->columnWidth(0), 697 / PrinterListModel::ColumnCount - 3);
}

TEST_F(WindowFixture, PhotographyTabReadsCaptureOnTop)
{
    auto window = OpenWindow();
    window->Tabs()->setCurrentIndex(2);
    EXPECT_FALSE(CaptureOnTop.load()) << "a missing setting reads \"0\"";

    window->Tabs()->setCurrentIndex(0);
    Profile::Write("Config/SystemSeting.ini", QStringLiteral("CombinationTakePicturesSetting"),
                   QStringLiteral("Set_Capture_On_Top"), QStringLiteral("1"));
    window->Tabs()->setCurrentIndex(2);
    EXPECT_TRUE(CaptureOnTop.load());
    window->Tabs()->setCurrentIndex(1);
    EXPECT_FALSE(CaptureOnTop.load());
}

TEST_F(WindowFixture, F5EmptiesThePaperColumnUnlessAutomaticPrintingIsActive)
{
    auto window = OpenWindow();
    PrinterListModel &printers = window->Printers();
    printers.AppendRow({QStringLiteral("Photo-A"), QString(), QString(), QString(), QString(), QStringLiteral("A4")});
    QApplication::setActiveWindow(window.get());
    window->PrinterList()->setFocus();

    AutoPrintActive = true;
    QTest::keyClick(window->PrinterList(), Qt::Key_F5);
    EXPECT_EQ(printers.Text(0, PrinterListModel::PaperColumn).toStdString(), "A4");

    AutoPrintActive = false;
    QTest::keyClick(window->PrinterList(), Qt::Key_F5);
    EXPECT_EQ(printers.Text(0, PrinterListModel::PaperColumn).toStdString(), "");
}

TEST_F(WindowFixture, TimerTickShowsTheStatusLineAndCounts)
{
    auto window = OpenWindow();
    SelectedPrinterCount = 1;
    window->OnTimer1();
    EXPECT_EQ(window->TickCount(), 1);
    EXPECT_TRUE(window->StatusBar()->currentMessage().startsWith(QStringLiteral(" 选中：1台打印机")));
    SelectedPrinterCount = 0;
}

// Each test runs in a process of its own, so the spooler chosen here is the
// one the window's registry asks.
TEST_F(WindowFixture, SpoolerWithoutPrintersIsToldInTheHintLineUntilOneComes)
{
    struct Case
    {
        bool withQueue;
        bool toldNoPrinter;
    };
    for (const Case &test : {Case{false, true}, Case{true, false}}) {
        PrivateCups cups;
        ASSERT_TRUE(cups.Start());
        if (test.withQueue) {
            ASSERT_TRUE(cups.AddQueue(QStringLiteral("Photo-A")));
        }
        cups.UseInThisProcess();
        auto window = OpenWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Registry().ListReady(); }, 15000));
        // Still said after the lists' start-up scans and a few ticks: it
        // stays until there is a printer.
        QTest::qWait(2500);
        for (int tick = 0; tick < 3; ++tick)
            window->OnTimer1();
        EXPECT_EQ(window->PrintManagerPage().Hint()->text() == CVelloraDlg::NoPrinterHint(), test.toldNoPrinter)
            << test.withQueue;
        if (test.withQueue) { // then the first step of the set-up
            EXPECT_TRUE(window->PrintManagerPage().Hint()->text().startsWith(QStringLiteral("开始前（1/5）")))
                << window->PrintManagerPage().Hint()->text().toStdString();
        }
        window.reset();
        qunsetenv("CUPS_SERVER");
        qunsetenv("CUPS_SERVERROOT");
    }
}

// At the default thumbnail size the first column of the photo lists is
// narrower than its header; it widens so the header reads whole.
TEST_F(WindowFixture, PhotoListHeadersReadWhole)
{
    auto window = OpenWindow();
    window->resize(1024, 700);
    QTest::qWait(20);
    for (QTableView *list : {window->PrintManagerPage().PendingList(), window->PrintManagerPage().PrintedList()}) {
        QHeaderView *header = list->horizontalHeader();
        const QString text = list->model()->headerData(0, Qt::Horizontal).toString();
        EXPECT_GE(list->columnWidth(0), header->fontMetrics().horizontalAdvance(text)) << text.toStdString();
    }
}
