#include "intake/ReprintDesk.h"

#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "intake/CopyLimit.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintRecords.h"
#include "intake/ReprintState.h"
#include "platform/DecimalText.h"
#include "platform/Pause.h"

#include <algorithm>

namespace {

// Printed list columns a reprint reads.
constexpr int PrintedNameColumn = 2;
constexpr int PrintedPathColumn = 3;
constexpr int PrintedNumberColumn = 4;

constexpr std::chrono::milliseconds ListBusyPause{300};

} // namespace

void AddPrintedRow(ReprintListModel &reprints, int row, const QString &name,
                   const QString &path, int quantity, const ShowHint &showHint)
{
    const int asked = quantity;
    quantity = CutToCopyLimit(quantity, name);
    const QString copies = QString::number(quantity);
    AddReprintEntry(reprints, QString::number(row), name, copies, path);
    showHint(ReprintText::Added(name, copies));
    if (quantity != asked)
        showHint(ReprintText::CopiesCut(name, QString::number(asked)));
}

ReprintDesk::ReprintDesk(PhotoListModel &printed, ReprintListModel &reprints, Ui ui)
    : m_printed(printed)
    , m_reprints(reprints)
    , m_ui(std::move(ui))
{
}

void ReprintDesk::ChooseRow(int row, bool byNumber)
{
    if (row < 0 || row >= m_printed.RowCount()) {
        ClearChoice();
        return;
    }
    m_chosen = {m_printed.Text(row, PrintedNameColumn), m_printed.Text(row, PrintedPathColumn), row};
    m_nameField = byNumber ? m_printed.Text(row, PrintedNumberColumn) : m_chosen.name;
    m_quantityField = QStringLiteral("1");
}

void ReprintDesk::NameTyped(const QString &text)
{
    m_chosen = {};
    m_nameField = text;
    m_quantityField = QStringLiteral("1");
}

void ReprintDesk::ClearChoice()
{
    m_chosen = {};
    m_nameField.clear();
    m_quantityField = QStringLiteral("1");
}

void ReprintDesk::StartSearch(const QString &text, int quantity, bool byNumber, std::function<void()> done)
{
    StartReprintSearch(m_searches, m_printed, m_reprints, text, quantity, byNumber, m_ui.showHint, std::move(done));
}

ReprintDesk::Outcome ReprintDesk::Click(Kind kind, const QString &nameField, const QString &quantityField)
{
    CountEditActive = true;
    const Outcome outcome = Request(kind, nameField, quantityField);
    CountEditActive = false;
    return outcome;
}

ReprintDesk::Outcome ReprintDesk::Request(Kind kind, const QString &nameField, const QString &quantityField)
{
    m_nameField = nameField;
    m_quantityField = quantityField;
    if (!PrintedListReady) {
        m_ui.showHint(ReprintText::ListsRestoring);
        return Outcome::ListsRestoring;
    }
    if (NoPrinterChosen && !PrintingNow) {
        m_ui.showMessage(ReprintText::NoPrinter);
        return Outcome::NoPrinter;
    }
    if (PrintingNow) {
        m_ui.showHint(ReprintText::PrinterBusy);
        return Outcome::PrinterBusy;
    }
    // Set before the checks below, so a refused priority click still puts the next row on top.
    PriorityNext = kind == Kind::Priority;
    if (m_reprintBusy)
        return Outcome::AlreadyHandling;
    m_reprintBusy = true;
    if (!PrintWorkersReady && m_ui.prepareWorkers)
        m_ui.prepareWorkers();
    if (quantityField.isEmpty()) {
        m_ui.showHint(ReprintText::EnterQuantity);
        m_reprintBusy = false;
        return Outcome::EmptyQuantity;
    }
    if (ReprintListBusy) {
        m_ui.showHint(ReprintText::PrinterBusy);
        // A plain reprint waits and then frees a busy flag that was left behind.
        if (kind == Kind::Reprint) {
            Pause(ListBusyPause);
            ReprintListBusy = false;
        }
        m_reprintBusy = false;
        return Outcome::ListBusy;
    }
    ReprintListBusy = true;
    const int quantity = std::max(0, DecimalValue(quantityField));
    Outcome outcome = Outcome::NothingChosen;
    if (m_chosen.IsChosen()) {
        AddPrintedRow(m_reprints, m_chosen.row, m_chosen.name, m_chosen.path, quantity, m_ui.showHint);
        ClearChoice();
        ReprintListBusy = false;
        outcome = Outcome::Added;
    } else if (!nameField.isEmpty()) {
        m_ui.startSearch(nameField, quantity);
        outcome = Outcome::SearchStarted;
    } else {
        ReprintListBusy = false;
    }
    ReprintListChanged(m_reprints);
    m_reprintBusy = false;
    return outcome;
}

bool SearchPrintedList(PhotoListModel &printed, ReprintListModel &reprints, const QString &text, int quantity,
                       bool byNumber, const ShowHint &showHint)
{
    const int column = byNumber ? PrintedNumberColumn : PrintedNameColumn;
    bool added = false;
    for (int row = 0, rows = printed.RowCount(); row < rows && !text.isEmpty(); ++row) {
        if (printed.Text(row, column) != text)
            continue;
        AddPrintedRow(reprints, row, printed.Text(row, PrintedNameColumn),
                      printed.Text(row, PrintedPathColumn), quantity, showHint);
        added = true;
        break;
    }
    ReprintListBusy = false;
    if (added)
        ReprintListChanged(reprints);
    else
        showHint(ReprintText::NotFound);
    return added;
}

void StartReprintSearch(WorkerSet &searches, PhotoListModel &printed, ReprintListModel &reprints, const QString &text, int quantity,
                        bool byNumber, ShowHint showHint, std::function<void()> done)
{
    searches.Start([&printed, &reprints, text, quantity, byNumber, showHint = std::move(showHint),
                    done = std::move(done)] {
        WriteRunLog(QStringLiteral("开始搜索已打印列表ID会话线程"));
        SearchPrintedList(printed, reprints, text, quantity, byNumber, showHint);
        if (done)
            done();
        WriteRunLog(QStringLiteral("搜索已打印列表ID会话线程结束"));
    });
}
