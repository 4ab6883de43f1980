#include "tests/intake/PrintingWindow.h"

#include "desk/Locks.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "compose/PictureNumber.h"
#include "compose/TemplateSettings.h"
#include "intake/IntakeState.h"
#include "intake/ReprintDesk.h"
#include "intake/ReprintListModel.h"
#include "intake/ReprintRecords.h"
#include "intake/ReprintState.h"
#include "intake/ReprintTexts.h"
#include "platform/Clock.h"
#include "platform/CrashPoint.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "printing/HandOver.h"
#include "printing/PrintJob.h"
#include "tests/support/Eventually.h"
#include "tests/support/FreshState.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/RunLogText.h"

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// Photos already printed (in Pic_R when the window opens) on a fixed day;
// the operator works the reprint fields and lists of the real page.
class ReprintPrinting : public PrintingWindow
{
protected:
    void SetUp() override
    {
        PrintingWindow::SetUp();
        SetDay(QDate(2024, 3, 5));
        fs::create_directories("Pic_R");
    }

    void TearDown() override
    {
        PrintingWindow::TearDown();
        Clock::Reset();
    }

    static void SetDay(const QDate &day)
    {
        const QDateTime noon(day, QTime(12, 0));
        Clock::Fix([noon] { return noon; });
    }

    static void SetNumbersPrinted(bool byNumber)
    {
        TemplateSettings settings = CurrentTemplateSettings.Get();
        settings.PrintPictureIdentification = byNumber ? 1 : 0;
        CurrentTemplateSettings.Set(settings);
    }

    // Printed photos named `name`.jpg, each with a picture number.
    static void PutPrinted(const std::vector<std::pair<const char *, int>> &photos)
    {
        for (const auto &[name, number] : photos) {
            QImage photo(300, 200, QImage::Format_RGB32);
            photo.fill(Qt::darkCyan);
            photo.save(QStringLiteral("Pic_R/%1.jpg").arg(QString::fromUtf8(name)), "JPG");
            RecordPictureNumber(QString::fromUtf8(name), number);
        }
    }

    void OpenReadyWindow(int printedRows)
    {
        OpenWindow();
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        ASSERT_EVENTUALLY(PrintedListReady && Page().PrintedList()->model()->rowCount() == printedRows, 15000);
    }

    // A new process on the same program folder.
    void Restart(int printedRows)
    {
        CloseWindow();
        OpenReadyWindow(printedRows);
    }

    static void Click(QTableView *list, int row, int column, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(list->viewport(), button, {}, list->visualRect(list->model()->index(row, column)).center());
    }

    static void DoubleClick(QTableView *list, int row, int column, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseDClick(list->viewport(), button, {}, list->visualRect(list->model()->index(row, column)).center());
    }

    static void Enter(QWidget *focused) { QTest::keyClick(focused, Qt::Key_Return); }

    // Clicks the printed photo, types the quantity into the field that got
    // the focus and presses Enter; later Enters keep the 500 ms apart.
    void ChooseAndEnter(int printedRow, const char *quantity)
    {
        Click(Page().PrintedList(), printedRow, 2);
        ASSERT_TRUE(Page().QuantityField()->hasFocus());
        EXPECT_TRUE(Page().QuantityField()->text().isEmpty()) << "the field empties when it gets the focus";
        EXPECT_TRUE(CountEditActive);
        QTest::keyClicks(Page().QuantityField(), QString::fromUtf8(quantity));
        Enter(Page().QuantityField());
        QTest::qWait(550);
    }

    // Types a name (or number) and a quantity and clicks a reprint button.
    void TypeAndClick(const char *name, const char *quantity, QPushButton *button)
    {
        Page().NameField()->setFocus();
        Page().NameField()->clear();
        QTest::keyClicks(Page().NameField(), QString::fromUtf8(name));
        Page().QuantityField()->setFocus();
        QTest::keyClicks(Page().QuantityField(), QString::fromUtf8(quantity));
        button->click();
    }

    QStringList ReprintRows() const
    {
        QStringList rows;
        for (const ReprintRow &row : m_window->PrintManagerPage().Reprints().Rows())
            rows.append(row.name + QLatin1Char('x') + row.quantity);
        return rows;
    }

    static QStringList SavedRows()
    {
        QStringList rows;
        for (const QString &line : Utf16File::ReadLines(ReprintListFile(TodayStamp())).value_or(QStringList()))
            if (const std::optional<ReprintRow> row = ParseReprintLine(line))
                rows.append(row->name + QLatin1Char('x') + row->quantity);
        return rows;
    }

    QString PrintedQuantity(int row) { return Queue().Printed().Text(row, 1); }
    QString HintText() { return Page().Hint()->text(); }

    static int PrinterCount(int index)
    {
        const std::lock_guard table(printer_table_cs);
        return index < static_cast<int>(PrinterTable.size()) ? PrinterTable[index].printedCount : -1;
    }
};

QStringList Jobs(const PrivateCups &cups)
{
    QStringList jobs;
    for (const PrivateCups::ReceivedJob &job : cups.ReceivedJobs())
        jobs.append(QStringLiteral("%1x%2").arg(job.title).arg(job.copies));
    return jobs;
}

} // namespace

TEST_F(ReprintPrinting, ChosenTypedAndPriorityReprintsArePrintedInTurn)
{
    ASSERT_TRUE(m_cups.AddQueue(QStringLiteral("Photo-B")));
    PutPrinted({{"1234", 12}, {"5678", 57}});
    OpenReadyWindow(2);
    CheckPrinter(0);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);

    // One selected printer: the chosen photo's two copies go out as one job.
    ChooseAndEnter(0, "2");
    ASSERT_EVENTUALLY_EQ(Jobs(m_cups), QStringList({"1234x2"}), 30000);
    ASSERT_EVENTUALLY_EQ(PrintedQuantity(0), QStringLiteral("2"), 10000);
    ASSERT_EVENTUALLY_EQ(ReprintFileCount.load(), 0, 5000);
    EXPECT_EQ(ReprintTotalCount, 0);
    EXPECT_TRUE(SavedRows().isEmpty());

    // Queued while paused: a typed name, a name that is not there, and with
    // numbers printed a typed number as a priority reprint, which goes on top.
    CheckPrinter(1);
    Page().PauseButton()->click();
    TypeAndClick("5678", "2", Page().ReprintButton());
    ASSERT_EVENTUALLY_EQ(ReprintRows(), QStringList({"5678x2"}), 5000);
    ASSERT_EVENTUALLY_EQ(HintText(), ReprintText::Added(QStringLiteral("5678"), QStringLiteral("2")), 5000);
    TypeAndClick("9999", "1", Page().ReprintButton());
    ASSERT_EVENTUALLY_EQ(HintText(), ReprintText::NotFound, 5000);
    SetNumbersPrinted(true);
    TypeAndClick("12", "1", Page().PriorityReprintButton());
    ASSERT_EVENTUALLY_EQ(ReprintRows(), QStringList({"1234x1", "5678x2"}), 5000);
    ASSERT_EVENTUALLY_EQ(SavedRows(), ReprintRows(), 5000); // saved by the search thread after it added the row
    EXPECT_EQ(ReprintTotalCount, 3);
    ASSERT_EVENTUALLY(Page().NameField()->text().isEmpty(), 5000);
    SetNumbersPrinted(false);

    // Two selected printers: the priority row is printed next, every copy a job of its own.
    Page().StartButton()->click();
    ASSERT_EVENTUALLY_EQ(Jobs(m_cups).size(), 4, 40000);
    EXPECT_EQ(Jobs(m_cups), QStringList({"1234x2", "1234x1", "5678x1", "5678x1"}));
    ASSERT_EVENTUALLY_EQ(PrintedQuantity(0), QStringLiteral("3"), 5000);
    ASSERT_EVENTUALLY_EQ(PrintedQuantity(1), QStringLiteral("2"), 5000);
    ASSERT_EVENTUALLY_EQ(ReprintFileCount.load(), 0, 5000);
    EXPECT_EQ(ReprintTotalCount, 0);
    EXPECT_TRUE(SavedRows().isEmpty());
}

TEST_F(ReprintPrinting, RestartBringsBackTheDaysCountsAndReprints)
{
    PutPrinted({{"1234", 1}, {"5678", 2}});
    OpenReadyWindow(2);
    CheckPrinter(0);
    Page().StartButton()->click();
    // Two print jobs of photo 1234, of 1 and 2 copies.
    ChooseAndEnter(0, "1");
    ASSERT_EVENTUALLY_EQ(Jobs(m_cups).size(), 1, 30000);
    ChooseAndEnter(0, "2");
    ASSERT_EVENTUALLY_EQ(Jobs(m_cups).size(), 2, 30000);
    ASSERT_EVENTUALLY_EQ(PrinterCount(0), 3, 10000);
    // Two reprints left waiting.
    Page().PauseButton()->click();
    ChooseAndEnter(1, "2");
    ChooseAndEnter(0, "4");
    ASSERT_EVENTUALLY_EQ(ReprintRows(), QStringList({"5678x2", "1234x4"}), 5000);

    Restart(2);
    ASSERT_EVENTUALLY_EQ(PrintedQuantity(0), QStringLiteral("3"), 10000);
    EXPECT_EQ(PrintedQuantity(1), QStringLiteral("0"));
    EXPECT_EQ(PrinterCount(0), 3);
    ASSERT_EVENTUALLY_EQ(ReprintRows(), QStringList({"5678x2", "1234x4"}), 5000);
    EXPECT_EQ(ReprintTotalCount, 6);
    EXPECT_EQ(ReprintFileCount, 2);

    SetDay(QDate(2024, 3, 6));
    Restart(2);
    EXPECT_EQ(PrintedQuantity(0), QStringLiteral("0"));
    EXPECT_EQ(PrinterCount(0), 0);
    EXPECT_TRUE(Page().Reprints().Rows().empty());
    EXPECT_EQ(ReprintTotalCount, 0);
}

// The operator's edits of the reprint list while paused, through the page.
TEST_F(ReprintPrinting, PageEditsWhilePaused)
{
    PutPrinted({{"1234", 1}, {"5678", 2}, {"9012", 3}});
    OpenReadyWindow(3);
    CheckPrinter(0);
    QTableView *list = Page().ReprintList();

    // Enter twice within 500 ms adds once.
    Click(Page().PrintedList(), 0, 2);
    QTest::keyClicks(Page().QuantityField(), QStringLiteral("1"));
    Enter(Page().QuantityField());
    Click(Page().PrintedList(), 1, 2);
    Enter(Page().QuantityField());
    EXPECT_EQ(HintText(), ReprintText::TooFast);
    EXPECT_TRUE(Page().NameField()->hasFocus());
    EXPECT_EQ(ReprintRows(), QStringList({"1234x1"}));
    QTest::qWait(550);
    ChooseAndEnter(1, "2");
    ChooseAndEnter(2, "3");
    ASSERT_EVENTUALLY_EQ(list->model()->rowCount(), 3, 5000);
    // The success hint gives way a few ticks later: blanked, or the set-up
    // guidance says the desk is ready for "开始" (automatic printing is paused).
    ASSERT_EVENTUALLY(HintText() == QStringLiteral(" ") || HintText().startsWith(QStringLiteral("准备就绪")), 6000);

    // A refused priority click puts the next row of another path on top.
    Page().QuantityField()->setFocus();
    Page().PriorityReprintButton()->click();
    ASSERT_EVENTUALLY_EQ(HintText(), ReprintText::EnterQuantity, 5000);
    EXPECT_TRUE(PriorityNext);
    AddReprintEntry(Page().Reprints(), QStringLiteral("0"), QStringLiteral("1234"), QStringLiteral("5"),
                    QStringLiteral("Pic_R/1234.jpg"));
    ReprintTotalCount += 5;
    EXPECT_EQ(ReprintRows(), QStringList({"1234x5", "1234x1", "5678x2", "9012x3"}));
    ASSERT_EVENTUALLY_EQ(list->model()->rowCount(), 4, 5000);

    // Double click moves a row to the top; right double click deletes one.
    DoubleClick(list, 3, 1);
    EXPECT_EQ(ReprintRows(), QStringList({"9012x3", "1234x5", "1234x1", "5678x2"}));
    ASSERT_EVENTUALLY_EQ(list->model()->index(0, 1).data().toString(), QStringLiteral("9012"), 5000);
    DoubleClick(list, 1, 0, Qt::RightButton);
    EXPECT_EQ(ReprintRows(), QStringList({"9012x3", "1234x1", "5678x2"}));
    EXPECT_EQ(SavedRows(), ReprintRows());
    EXPECT_EQ(ReprintTotalCount, 6);
    EXPECT_EQ(ReprintFileCount, 3);

    // The quantity editor opens empty over the cell; a click on the list ends it.
    ASSERT_EVENTUALLY_EQ(list->model()->rowCount(), 3, 5000);
    Click(list, 2, ReprintListModel::QuantityColumn, Qt::RightButton);
    QLineEdit *editor = Page().QuantityEditorField();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_TRUE(editor->text().isEmpty());
    QTest::keyClicks(editor, QStringLiteral("7"));
    Click(list, 0, 0);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ReprintRows(), QStringList({"9012x3", "1234x1", "5678x7"}));
    EXPECT_EQ(ReprintTotalCount, 11);
    EXPECT_EQ(SavedRows(), ReprintRows());
    // Emptied and left: the quantity stays.
    Click(list, 0, ReprintListModel::QuantityColumn, Qt::RightButton);
    Page().NameField()->setFocus();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ReprintRows(), QStringList({"9012x3", "1234x1", "5678x7"}));
    EXPECT_EQ(ReprintTotalCount, 11);

    // A double click on "补打" asks for a single click.
    MessageBoxAnswer answer(QMessageBox::Ok);
    QTest::mouseDClick(Page().ReprintButton(), Qt::LeftButton);
    ASSERT_FALSE(answer.Boxes().empty());
    EXPECT_EQ(answer.Boxes().back().text, ReprintText::ClickOnce);
}

namespace {

// Holds the first print job that reaches "after-send-before-record" (its
// document accepted, its record and answer still to come) until let go;
// every later job passes.
class HeldJob final
{
public:
    HeldJob() { SetCrashPointHookForTests(&Reached); }
    ~HeldJob()
    {
        LetGo();
        SetCrashPointHookForTests(nullptr);
    }

    static bool Holding()
    {
        const std::lock_guard lock(s_mutex);
        return s_holding;
    }
    static void LetGo()
    {
        const std::lock_guard lock(s_mutex);
        s_letGo = true;
        s_changed.notify_all();
    }

private:
    static void Reached(const char *name)
    {
        if (std::string_view(name) != "after-send-before-record")
            return;
        std::unique_lock lock(s_mutex);
        if (s_held)
            return;
        s_held = s_holding = true;
        s_changed.wait(lock, [] { return s_letGo; });
        s_holding = false;
    }

    static inline std::mutex s_mutex;
    static inline std::condition_variable s_changed;
    static inline bool s_held = false;
    static inline bool s_holding = false;
    static inline bool s_letGo = false;
};

// Open hand-overs by kind ("photo", "reprint"), read from the journal.
QHash<QString, QString> OpenHandOvers()
{
    QHash<QString, QString> open; // number -> kind
    for (const QString &line : Utf16File::ReadLines(HandOver::JournalFile()).value_or(QStringList())) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 3 && fields[0] == u"open")
            open.insert(fields[1], fields[2]);
        else if (fields.size() >= 2 && fields[0] == u"done")
            open.remove(fields[1]);
    }
    return open;
}

} // namespace

// The desk's window and its pages are destroyed while a new photo's job and
// a reprint's copy are out: the photo's job held between the spooler's yes
// and its record, the reprint's in its print delay, then at a frozen spooler.
// The jobs end after the window; their answers reach nothing that is gone,
// their hand-overs stay open in the journal, and the next start prints the
// photo once and both copies once each.
TEST_F(ReprintPrinting, JobsOutAtAFrozenSpoolerOutliveTheWindow)
{
    // New photos are taken once they stand still in time: the clock runs.
    Clock::Reset();
    ASSERT_TRUE(m_cups.AddQueue(QStringLiteral("Photo-B")));
    PutPrinted({{"1234", 12}});
    OpenReadyWindow(1);
    CheckPrinter(0);
    CheckPrinter(1);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);

    const HeldJob held;
    QImage photo(600, 400, QImage::Format_RGB32);
    photo.fill(QColor(200, 60, 40));
    ASSERT_TRUE(photo.save(QStringLiteral("in/IMG_0001.JPG"), "JPG"));
    ASSERT_TRUE(QTest::qWaitFor(HeldJob::Holding, 30000));

    // The reprint's job waits out a long delay, then meets a frozen spooler.
    PrintDelaySeconds = 100;
    {
        // Added as a companion's order adds it.
        const std::lock_guard lock(reprint_file_cs);
        AddPrintedRow(Page().Reprints(), 0, QStringLiteral("1234"), Queue().Printed().Text(0, 3), 2, [](const QString &) {});
        ReprintListChanged(Page().Reprints());
    }
    const auto bothOut = [] {
        const QList<QString> kinds = OpenHandOvers().values();
        return PrintThreadsRunning() >= 2 && kinds.contains(QStringLiteral("photo")) && kinds.contains(QStringLiteral("reprint"));
    };
    ASSERT_TRUE(QTest::qWaitFor(bothOut, 30000)) << RunLogText().toStdString();
    const QHash<QString, QString> handedOut = OpenHandOvers();
    m_cups.Freeze();
    m_window.reset();

    HeldJob::LetGo();
    QTest::qWait(9000);
    m_cups.Thaw();
    ASSERT_EVENTUALLY_EQ(PrintThreadsRunning(), 0, 60000);
    const QHash<QString, QString> left = OpenHandOvers();
    for (auto it = handedOut.cbegin(); it != handedOut.cend(); ++it)
        EXPECT_TRUE(left.contains(it.key())) << "hand-over " << it.key().toStdString() << " (" << it.value().toStdString()
                                             << ") was closed without its lists";

    // The next start settles them.
    ResetProcessWideState();
    OpenWindow();
    ASSERT_EVENTUALLY(PrintedListReady, 15000);
    CheckPrinter(0);
    Page().StartButton()->click();
    const auto copies = [&](const char *name) {
        int sum = 0;
        for (const PrivateCups::ReceivedJob &job : m_cups.ReceivedJobs())
            if (job.title.startsWith(QString::fromUtf8(name)))
                sum += job.copies;
        return sum;
    };
    ASSERT_EVENTUALLY(copies("0001") == 1 && copies("1234") == 2, 60000);
    QTest::qWait(3000);
    EXPECT_EQ(copies("0001"), 1);
    EXPECT_EQ(copies("1234"), 2);
}
