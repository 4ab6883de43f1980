#include "tests/intake/RecordFixture.h"

#include "desk/ProcessState.h"
#include "intake/ReprintDesk.h"
#include "intake/ReprintEdits.h"
#include "intake/ReprintRecords.h"
#include "intake/ReprintState.h"
#include "platform/DecimalText.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

ReprintRow Row(const char *id, const char *name, const char *quantity)
{
    return {QString::fromUtf8(id), QString::fromUtf8(name), QStringLiteral("Pic_R/%1.jpg").arg(name),
            QString::fromUtf8(quantity)};
}

} // namespace

// Printed photos 1234, 5678, 9012 (numbers 1, 2, 3), two waiting reprints,
// a printer chosen, automatic printing paused.
class ReprintDeskTest : public RecordFixture
{
protected:
    ReprintDeskTest()
    {
        Restart({QStringLiteral("1234"), QStringLiteral("5678"), QStringLiteral("9012")});
        for (const ReprintRow &row : {Row("0", "1234", "1"), Row("2", "9012", "2")})
            reprints->InsertRow(reprints->RowCount(), row);
        ReprintTotalCount = 3;
        ReprintFileCount = 2;
        NoPrinterChosen = false;
        desk = std::make_unique<ReprintDesk>(*printed, *reprints, ReprintDesk::Ui{
            [this](const QString &hint) { hints.append(hint); },
            [this](const QString &message) { messages.append(message); },
            {},
            [this](const QString &text, int quantity) { searches.append(QStringLiteral("%1x%2").arg(text).arg(quantity)); },
        });
    }

    QStringList Names() const
    {
        QStringList names;
        for (const ReprintRow &row : reprints->Rows())
            names.append(row.name + QLatin1Char('x') + row.quantity);
        return names;
    }

    QStringList SavedNames() const
    {
        QStringList names;
        for (const QString &line : Utf16File::ReadLines(ReprintListFile(QStringLiteral("20240305"))).value_or(QStringList()))
            if (const std::optional<ReprintRow> row = ParseReprintLine(line))
                names.append(row->name + QLatin1Char('x') + row->quantity);
        return names;
    }

    std::unique_ptr<ReprintDesk> desk;
    QStringList messages;
    QStringList searches;
};

TEST_F(ReprintDeskTest, ClickOutcomes)
{
    using Outcome = ReprintDesk::Outcome;
    using Kind = ReprintDesk::Kind;
    const struct
    {
        const char *what;
        std::function<void(ReprintDesk &)> setUp;
        Kind kind;
        const char *nameField;
        const char *quantityField;
        Outcome outcome;
        QStringList rows;
        const char *shown; // last hint or message
        bool listBusyAfter;
    } cases[] = {
        {"no printer chosen", [](ReprintDesk &) { NoPrinterChosen = true; }, Kind::Reprint, "5678", "2",
         Outcome::NoPrinter, {"1234x1", "9012x2"}, "没有可用打印机进行补打操作，请重新选择.", false},
        {"a job prints", [](ReprintDesk &) { PrintingNow = true; }, Kind::Reprint, "5678", "2", Outcome::PrinterBusy,
         {"1234x1", "9012x2"}, "打印机繁忙，请稍后再试。", false},
        {"empty quantity", [](ReprintDesk &d) { d.ChooseRow(1, false); }, Kind::Reprint, "5678", "",
         Outcome::EmptyQuantity, {"1234x1", "9012x2"}, "请输入要补打的数量。", false},
        {"another path adds: a plain click frees the flag after its pause",
         [](ReprintDesk &d) { d.ChooseRow(1, false), ReprintListBusy = true; }, Kind::Reprint, "5678", "2",
         Outcome::ListBusy, {"1234x1", "9012x2"}, "打印机繁忙，请稍后再试。", false},
        {"another path adds: a priority click leaves the flag",
         [](ReprintDesk &d) { d.ChooseRow(1, false), ReprintListBusy = true; }, Kind::Priority, "5678", "2",
         Outcome::ListBusy, {"1234x1", "9012x2"}, "打印机繁忙，请稍后再试。", true},
        {"chosen photo goes to the end", [](ReprintDesk &d) { d.ChooseRow(1, false); }, Kind::Reprint, "5678", "2",
         Outcome::Added, {"1234x1", "9012x2", "5678x2"}, "成功添加补打信息，5678补打2张", false},
        {"priority with quantity 3 goes to the top", [](ReprintDesk &d) { d.ChooseRow(1, true); }, Kind::Priority,
         "2", "3", Outcome::Added, {"5678x3", "1234x1", "9012x2"}, "成功添加补打信息，5678补打3张", false},
        {"typed name starts a search", [](ReprintDesk &) {}, Kind::Reprint, "9012", "2", Outcome::SearchStarted,
         {"1234x1", "9012x2"}, "", true},
        {"nothing chosen or typed", [](ReprintDesk &) {}, Kind::Reprint, "", "2", Outcome::NothingChosen,
         {"1234x1", "9012x2"}, "", false},
        {"the start-up restore runs", [](ReprintDesk &d) { d.ChooseRow(1, false), PrintedListReady = false; },
         Kind::Priority, "5678", "2", Outcome::ListsRestoring, {"1234x1", "9012x2"},
         "正在恢复文件信息列表，请稍候.......................", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        NoPrinterChosen = false;
        PrintingNow = false;
        ReprintListBusy = false;
        PrintedListReady = true;
        PriorityNext = false;
        hints.clear();
        messages.clear();
        searches.clear();
        ReprintTotalCount = 3;
        desk->ClearChoice();
        while (reprints->RowCount() > 2)
            reprints->RemoveRow(reprints->Text(0, 1) == QLatin1String("5678") ? 0 : 2);

        c.setUp(*desk);
        EXPECT_EQ(desk->Click(c.kind, QString::fromUtf8(c.nameField), QString::fromUtf8(c.quantityField)), c.outcome);
        EXPECT_EQ(Names(), c.rows);
        const QStringList shown = hints + messages;
        EXPECT_EQ(shown.value(shown.size() - 1), QString::fromUtf8(c.shown));
        EXPECT_EQ(ReprintListBusy.load(), c.listBusyAfter);
        EXPECT_FALSE(CountEditActive);
        EXPECT_FALSE(desk->ReprintBusy());
        if (c.outcome == Outcome::Added) {
            EXPECT_EQ(ReprintTotalCount, 3 + DecimalValue(QString::fromUtf8(c.quantityField)));
            EXPECT_EQ(ReprintFileCount, 3);
            EXPECT_EQ(SavedNames(), c.rows);
            EXPECT_FALSE(desk->Chosen().IsChosen());
            EXPECT_EQ(desk->NameField(), QString());
            EXPECT_EQ(desk->QuantityField(), QStringLiteral("1"));
        }
        if (c.outcome == Outcome::SearchStarted) {
            EXPECT_EQ(searches, QStringList({QStringLiteral("9012x2")}));
        }
    }
}

// A priority click refused for an empty quantity or a busy list leaves
// PriorityNext set, so the next row of any path that does not click itself
// goes to the top; a plain click in between takes the request back.
TEST_F(ReprintDeskTest, TheStartUpRestoreReadsTheDaysListBeforeAnythingChangesIt)
{
    // Earlier today two rows were saved; the program restarts and its
    // printed-folder scan is still walking when the operator clicks.
    ASSERT_TRUE(SaveReprintList(*reprints));
    Restart({QStringLiteral("1234"), QStringLiteral("5678"), QStringLiteral("9012")});
    PrintedListReady = false;
    ReprintFileUnread = true;
    ReprintDesk restarted(*printed, *reprints, {[this](const QString &hint) { hints.append(hint); },
                                                [](const QString &) {}, {}, [](const QString &, int) {}});
    restarted.ChooseRow(1, false);
    EXPECT_EQ(restarted.Click(ReprintDesk::Kind::Reprint, QStringLiteral("5678"), QStringLiteral("2")),
              ReprintDesk::Outcome::ListsRestoring);
    EXPECT_EQ(hints.value(hints.size() - 1), ReprintText::ListsRestoring);
    EXPECT_FALSE(SaveReprintList(*reprints)) << "nothing writes the file before the restore has read it";

    RestoreFromRecords(*printed, *reprints, [](const QString &) {});
    EXPECT_EQ(Names(), QStringList({"1234x1", "9012x2"})) << "each saved row once";
    // The rows are back, but the list is not ready until the scan has ended.
    QuantityEditor editor;
    EXPECT_FALSE(editor.Open(*reprints, 0, ReprintListModel::QuantityColumn));
    EXPECT_FALSE(MoveReprintRowToTop(*reprints, 1, ReprintListModel::NameColumn));
    EXPECT_FALSE(DeleteReprintRow(*reprints, 0, ReprintListModel::NameColumn));
    ReprintFileUnread = false;
    PrintedListReady = true;

    restarted.ChooseRow(1, false);
    EXPECT_EQ(restarted.Click(ReprintDesk::Kind::Reprint, QStringLiteral("5678"), QStringLiteral("2")),
              ReprintDesk::Outcome::Added);
    EXPECT_EQ(SavedNames(), QStringList({"1234x1", "9012x2", "5678x2"}));
    EXPECT_EQ(ReprintFileCount, 3);
    EXPECT_EQ(ReprintTotalCount, 5);
}

TEST_F(ReprintDeskTest, RefusedPriorityClickPutsTheNextRowOfAnyPathOnTop)
{
    const std::function<void()> refusals[] = {
        [this] { desk->Click(ReprintDesk::Kind::Priority, QStringLiteral("5678"), QString()); },
        [this] {
            ReprintListBusy = true;
            desk->Click(ReprintDesk::Kind::Priority, QStringLiteral("5678"), QStringLiteral("2"));
            ReprintListBusy = false;
        },
    };
    const struct
    {
        const char *path;
        std::function<void()> add;
        int row;
    } nextRows[] = {
        {"automatic or phone reprint",
         [this] { AddReprintEntry(*reprints, "1", "5678", "2", "Pic_R/5678.jpg"); }, 0},
        {"search by name",
         [this] { SearchPrintedList(*printed, *reprints, "5678", 2, false, [](const QString &) {}); },
         0},
        {"search by number",
         [this] { SearchPrintedList(*printed, *reprints, "2", 2, true, [](const QString &) {}); },
         0},
        {"plain click",
         [this] {
             desk->ChooseRow(1, false);
             desk->Click(ReprintDesk::Kind::Reprint, "5678", "2");
         },
         2},
    };
    for (const auto &refuse : refusals)
        for (const auto &next : nextRows) {
            SCOPED_TRACE(next.path);
            while (reprints->RowCount() > 2)
                reprints->RemoveRow(reprints->Text(0, 1) == QLatin1String("5678") ? 0 : 2);
            PriorityNext = false;
            refuse();
            EXPECT_TRUE(PriorityNext);
            EXPECT_EQ(reprints->RowCount(), 2);
            next.add();
            ASSERT_EQ(reprints->RowCount(), 3);
            EXPECT_EQ(reprints->Text(next.row, ReprintListModel::NameColumn), QStringLiteral("5678"));
            EXPECT_FALSE(PriorityNext);
        }
}

TEST_F(ReprintDeskTest, SearchFindsTheFirstEqualNameOrNumber)
{
    printed->InsertRow(3, {QString(), "0", "5678", "Pic_R/5678.jpeg", "4"}, "Pic_R/5678.jpeg");
    const struct
    {
        const char *text;
        bool byNumber;
        const char *addedRow; // ID,name:path}quantity;
        const char *hint;
    } cases[] = {
        {"5678", false, "1,5678:Pic_R/5678.jpg}2;", "成功添加补打信息，5678补打2张"},
        {"3", true, "2,9012:Pic_R/9012.jpg}2;", "成功添加补打信息，9012补打2张"},
        {"4", true, "3,5678:Pic_R/5678.jpeg}2;", "成功添加补打信息，5678补打2张"},
        {"567", false, "", "没有找到相应的照片，请重新输入。"},
        {"5678", true, "", "没有找到相应的照片，请重新输入。"},
        {"", false, "", "没有找到相应的照片，请重新输入。"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        reprints->Clear();
        ReprintListBusy = true;
        hints.clear();
        const bool added = SearchPrintedList(*printed, *reprints, c.text, 2, c.byNumber,
                                             [this](const QString &hint) { hints.append(hint); });
        EXPECT_EQ(added, *c.addedRow != 0);
        EXPECT_EQ(reprints->RowCount(), added ? 1 : 0);
        if (added) {
            EXPECT_EQ(ReprintLine(*reprints->Row(0)), QString::fromUtf8(c.addedRow));
        }
        EXPECT_EQ(hints, QStringList({QString::fromUtf8(c.hint)}));
        EXPECT_FALSE(ReprintListBusy);
    }
}

TEST_F(ReprintDeskTest, ChoosingAPhotoAndTypingANameInstead)
{
    desk->ChooseRow(1, true);
    EXPECT_TRUE(desk->Chosen().IsChosen());
    EXPECT_EQ(desk->Chosen().path, QStringLiteral("Pic_R/5678.jpg"));
    EXPECT_EQ(desk->NameField(), QStringLiteral("2")) << "the number is shown when numbers are printed";
    desk->ChooseRow(1, false);
    EXPECT_EQ(desk->NameField(), QStringLiteral("5678"));
    desk->NameTyped(QStringLiteral("56789"));
    EXPECT_FALSE(desk->Chosen().IsChosen());
    EXPECT_EQ(desk->QuantityField(), QStringLiteral("1"));
    desk->ChooseRow(7, false);
    EXPECT_FALSE(desk->Chosen().IsChosen());
    EXPECT_EQ(desk->NameField(), QString()) << "a click outside the rows clears the choice";
}

TEST(EnterGate, SecondEnterWithin500MsIsRefused)
{
    EnterGate gate;
    using Action = EnterGate::Action;
    const struct
    {
        int64_t tick;
        bool nameEmpty;
        Action action;
    } presses[] = {
        {10, false, Action::Reprint}, // the first Enter is always handled
        {310, false, Action::TooFast},
        {710, false, Action::TooFast}, // a refused Enter counts as the previous one too
        {1210, false, Action::Reprint},
        {1800, true, Action::Nothing},
        {2299, false, Action::TooFast},
        {2799, false, Action::Reprint},
    };
    for (const auto &press : presses)
        EXPECT_EQ(gate.Released(press.tick, press.nameEmpty), press.action) << press.tick;
}

TEST_F(ReprintDeskTest, MovesAndDeletionsWhilePaused)
{
    const struct
    {
        const char *what;
        bool running;
        bool remove; // else move
        int row;
        int column;
        bool done;
        QStringList rows;
        int total;
    } cases[] = {
        {"move by ID", false, false, 2, 0, true, {"5678x3", "1234x1", "9012x2"}, 6},
        {"move by name", false, false, 1, 1, true, {"9012x2", "1234x1", "5678x3"}, 6},
        {"move by path", false, false, 2, 2, false, {"1234x1", "9012x2", "5678x3"}, 6},
        {"move the first", false, false, 0, 0, false, {"1234x1", "9012x2", "5678x3"}, 6},
        {"move while printing", true, false, 2, 0, false, {"1234x1", "9012x2", "5678x3"}, 6},
        {"delete by path", false, true, 1, 2, true, {"1234x1", "5678x3"}, 4},
        {"delete the first", false, true, 0, 0, true, {"9012x2", "5678x3"}, 5},
        {"delete by quantity", false, true, 1, 3, false, {"1234x1", "9012x2", "5678x3"}, 6},
        {"delete outside the rows", false, true, 3, 0, false, {"1234x1", "9012x2", "5678x3"}, 6},
        {"delete while printing", true, true, 1, 0, false, {"1234x1", "9012x2", "5678x3"}, 6},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        reprints->Clear();
        for (const ReprintRow &row : {Row("0", "1234", "1"), Row("2", "9012", "2"), Row("1", "5678", "3")})
            reprints->InsertRow(reprints->RowCount(), row);
        ReprintTotalCount = 6;
        ReprintFileCount = 3;
        SaveReprintList(*reprints);
        AutoPrintRunning = c.running;
        const bool done = c.remove ? DeleteReprintRow(*reprints, c.row, c.column)
                                   : MoveReprintRowToTop(*reprints, c.row, c.column);
        EXPECT_EQ(done, c.done);
        EXPECT_EQ(Names(), c.rows);
        EXPECT_EQ(SavedNames(), c.rows);
        EXPECT_EQ(ReprintFileCount, c.rows.size());
        EXPECT_EQ(ReprintTotalCount, c.total);
    }
}

TEST(QuantityEdit, Arithmetic)
{
    const struct
    {
        const char *before;
        const char *typed;
        QuantityEditResult result;
    } cases[] = {
        {"3", "5", {"5", 2, true}},  {"3", "", {"3", 0, false}},   {"3", "0", {"0", -3, true}},
        {"3", "-2", {"0", -3, true}}, {"3", " 7 ", {"7", 4, true}}, {"3", "4x", {"4", 1, true}},
        {"", "2", {"2", 2, true}},   {"12", "3", {"3", -9, true}},
        // A stray run of digits is cut to the copy limit.
        {"3", "99", {"99", 96, true}}, {"3", "999999", {"99", 96, true}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FinishQuantityEdit(c.before, c.typed), c.result) << c.before << " -> " << c.typed;
}

TEST_F(ReprintDeskTest, QuantityEditorFollowsItsRowAndClosesOnce)
{
    QuantityEditor editor;
    EXPECT_FALSE(editor.Open(*reprints, 1, ReprintListModel::PathColumn));
    AutoPrintRunning = true;
    EXPECT_FALSE(editor.Open(*reprints, 1, ReprintListModel::QuantityColumn)) << "only while paused";
    AutoPrintRunning = false;

    ASSERT_TRUE(editor.Open(*reprints, 1, ReprintListModel::QuantityColumn));
    // A reprint worker in manual mode or a priority request changes the rows meanwhile.
    PriorityNext = true;
    AddReprintEntry(*reprints, "1", "5678", "4", "Pic_R/5678.jpg");
    EXPECT_EQ(editor.Row(*reprints), 2);
    EXPECT_TRUE(editor.Close(*reprints, QStringLiteral("5")));
    EXPECT_FALSE(editor.Close(*reprints, QStringLiteral("9"))) << "lost focus after a click on the list";
    EXPECT_EQ(Names(), QStringList({"5678x4", "1234x1", "9012x5"}));
    EXPECT_EQ(ReprintTotalCount, 10);
    EXPECT_EQ(SavedNames(), Names());

    // Right click on another quantity while editing: the open edit is finished first.
    ASSERT_TRUE(editor.Open(*reprints, 0, ReprintListModel::QuantityColumn));
    ASSERT_TRUE(editor.Open(*reprints, 1, ReprintListModel::QuantityColumn, QStringLiteral("1")));
    EXPECT_TRUE(editor.Close(*reprints, QString()));
    EXPECT_EQ(Names(), QStringList({"5678x1", "1234x1", "9012x5"}));
    EXPECT_EQ(ReprintTotalCount, 7);

    // The edited row was printed and removed before the editor closed.
    ASSERT_TRUE(editor.Open(*reprints, 0, ReprintListModel::QuantityColumn));
    reprints->RemoveRow(0);
    EXPECT_FALSE(editor.Close(*reprints, QStringLiteral("8")));
    EXPECT_EQ(ReprintTotalCount, 6);
    EXPECT_EQ(Names(), QStringList({"1234x1", "9012x5"}));
}

// The reprint worker prints a copy of the row whose quantity the operator is
// editing (manual mode, or a pass that outlasts a pause). Enter on the
// unchanged quantity keeps the worker's progress, and the status line's
// total is always the list's own sum, whatever changed the list.
TEST_F(ReprintDeskTest, TheTotalIsTheListsSumWhenTheWorkerPrintsDuringAnEdit)
{
    const auto printOneCopy = [this] {
        const auto keyed = reprints->KeyedRow(1);
        ASSERT_TRUE(keyed);
        --ReprintTotalCount; // as the worker counted it before the list kept its own total
        reprints->SetTextOf(keyed->first, ReprintListModel::QuantityColumn, QStringLiteral("1"));
    };
    QuantityEditor editor;
    ASSERT_TRUE(editor.Open(*reprints, 1, ReprintListModel::QuantityColumn));
    printOneCopy();
    EXPECT_TRUE(editor.Close(*reprints, QStringLiteral("2")));
    EXPECT_EQ(Names(), QStringList({"1234x1", "9012x1"}));
    EXPECT_EQ(ReprintTotalCount, 2);

    ASSERT_TRUE(editor.Open(*reprints, 1, ReprintListModel::QuantityColumn));
    EXPECT_TRUE(editor.Close(*reprints, QStringLiteral("5")));
    EXPECT_EQ(Names(), QStringList({"1234x1", "9012x5"}));
    EXPECT_EQ(ReprintTotalCount, 6);
    EXPECT_EQ(ReprintFileCount, 2);
    EXPECT_EQ(SavedNames(), Names());
}
