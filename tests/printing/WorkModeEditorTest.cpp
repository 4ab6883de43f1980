#include "tests/printing/RegistryHarness.h"

#include "printing/ui/WorkModeDelegate.h"

#include <QCoreApplication>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

using Column = PrinterListModel::Column;

// A printer list view with the work-mode editor, refusals caught instead of shown.
struct EditorHarness : RegistryHarness
{
    EditorHarness()
        : RegistryHarness({FakePrinter("Photo-A"), FakePrinter("Photo-B")})
    {
        EXPECT_TRUE(Enumerate());
        Refresh();
        view.setModel(&model);
        delegate = new WorkModeDelegate(view, *registry, [this](const QString &text) { messages << text; });
        view.show();
    }

    WorkModeCombo *Open(int row)
    {
        registry->OnClicked(row, Column::WorkModeColumn);
        return delegate->Editor();
    }

    // The drop-down closes up with the item (-1: none), and what follows runs.
    void CloseUp(int item)
    {
        WorkModeCombo *editor = delegate->Editor();
        if (item >= 0)
            editor->setCurrentIndex(item);
        editor->hidePopup();
        QCoreApplication::processEvents();
        registry->WaitIdle();
        QCoreApplication::processEvents();
    }

    QTableView view;
    WorkModeDelegate *delegate = nullptr;
    QStringList messages;
};

TEST(WorkModeEditor, ItemsAreTheModesInOrder)
{
    EditorHarness h;
    WorkModeCombo *editor = h.Open(1);
    ASSERT_NE(editor, nullptr);
    QStringList items;
    for (int i = 0; i < editor->count(); ++i)
        items << editor->itemText(i);
    EXPECT_EQ(items, (QStringList{"随机", "打新", "补打", "待命"}));
    EXPECT_EQ(editor->currentText(), "随机") << "starts with the cell's text";
    EXPECT_EQ(h.registry->EditedRow(), 1);
    EXPECT_TRUE(h.registry->EditorActive());
}

TEST(WorkModeEditor, ClosingWithoutAChoiceStoresNoMode)
{
    EditorHarness h;
    h.Open(0);
    h.CloseUp(-1);
    EXPECT_EQ(PrinterTable[0].workMode, WorkModeNone);
    EXPECT_EQ(h.Text(0, Column::WorkModeColumn), "");
    EXPECT_EQ(h.delegate->Editor(), nullptr);
    EXPECT_FALSE(h.registry->EditorActive());
    EXPECT_TRUE(h.messages.isEmpty());
}

// Escape while automatic printing runs: no refusal for a change nobody asked
// for, and the editor closes with the cell as it was.
TEST(WorkModeEditor, EscapeDuringAutomaticPrintingJustCloses)
{
    EditorHarness h;
    AutoPrintRunning = true;
    h.Open(0);
    h.CloseUp(-1);
    AutoPrintRunning = false;
    EXPECT_TRUE(h.messages.isEmpty());
    EXPECT_EQ(h.delegate->Editor(), nullptr);
    EXPECT_FALSE(h.registry->EditorActive());
    EXPECT_EQ(PrinterTable[0].workMode, WorkModeRandom);
}

TEST(WorkModeEditor, StandbyStaysInUseForTheRun)
{
    EditorHarness h;
    h.Open(1);
    h.CloseUp(WorkModeStandby);
    EXPECT_EQ(PrinterTable[1].workMode, WorkModeStandby);
    EXPECT_EQ(h.Text(1, Column::WorkModeColumn), "待命");
    EXPECT_TRUE(StandbyInUse);
    h.Open(1);
    h.CloseUp(WorkModeNew);
    EXPECT_EQ(h.Text(1, Column::WorkModeColumn), "打新");
    EXPECT_TRUE(StandbyInUse);
}

TEST(WorkModeEditor, ClickElsewhereClosesKeepingTheText)
{
    EditorHarness h;
    h.Open(0)->setEditText("打新");
    h.registry->OnClicked(0, Column::StatusColumn);
    EXPECT_EQ(h.delegate->Editor(), nullptr);
    EXPECT_EQ(h.Text(0, Column::WorkModeColumn), "打新");
    EXPECT_EQ(PrinterTable[0].workMode, WorkModeRandom);
}

TEST(WorkModeEditor, EveryRefusalShowsTheMessage)
{
    EditorHarness h;
    const QString refusal = "请先暂停自动打印，等打印机处于 空闲 状态才能更改工作模式。";
    ASSERT_EQ(WorkModeRefusal(), refusal);

    // Another printer still has work.
    PrinterTable[1].jobCount = 1;
    h.Open(0);
    h.CloseUp(WorkModeNew);
    EXPECT_EQ(PrinterTable[0].workMode, WorkModeRandom);
    EXPECT_EQ(h.delegate->Editor(), nullptr);
    PrinterTable[1].jobCount = 0;

    // The pending queue is not idle.
    PendingQueueIdle = false;
    h.Open(0);
    h.CloseUp(WorkModeNew);
    EXPECT_EQ(PrinterTable[0].workMode, WorkModeRandom);
    PendingQueueIdle = true;

    // Automatic printing runs: the editor stays open.
    AutoPrintRunning = true;
    h.Open(0);
    h.CloseUp(WorkModeStandby);
    EXPECT_NE(h.delegate->Editor(), nullptr);
    EXPECT_EQ(PrinterTable[0].workMode, WorkModeRandom);
    EXPECT_FALSE(StandbyInUse);
    AutoPrintRunning = false;

    EXPECT_EQ(h.messages, QStringList(3, refusal));
}

TEST(WorkModeEditor, EveryPrinterStartsRandom)
{
    {
        EditorHarness before;
        before.Open(0);
        before.CloseUp(WorkModeReprint);
        EXPECT_EQ(before.Text(0, Column::WorkModeColumn), "补打");
    }
    EditorHarness after;
    EXPECT_EQ(after.Text(0, Column::WorkModeColumn), "随机");
    EXPECT_EQ(after.Text(1, Column::WorkModeColumn), "随机");
}

} // namespace
