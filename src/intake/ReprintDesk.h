#pragma once

#include "intake/ReprintListModel.h"
#include "intake/ReprintTexts.h"
#include "platform/WorkerSet.h"

#include <QString>

#include <functional>

class PhotoListModel;

// The photo chosen in the printed list for a reprint.
struct ChosenPhoto
{
    QString name; // column 2 of the printed row
    QString path; // column 3
    int row = -1; // -1 when none is chosen

    bool IsChosen() const { return !name.isEmpty() && !path.isEmpty() && row >= 0; }
};

// The reprint fields of the print manager page and the requests they make:
// the choice of a printed photo, "补打", "优先补打" and Enter. The page owns
// one, forwards the operator's actions to it on the user-interface thread,
// and shows NameField() and QuantityField() after each. Nothing here touches
// a widget; hints, message boxes and the search thread go through Ui.
class ReprintDesk final
{
public:
    struct Ui
    {
        ShowHint showHint;
        // A message box with an OK button.
        std::function<void(const QString &)> showMessage;
        // Prepares the dispatcher's slots when PrintWorkersReady is clear.
        std::function<void()> prepareWorkers;
        // Starts the search for a typed name or number (StartSearch); it
        // clears ReprintListBusy when done.
        std::function<void(const QString &text, int quantity)> startSearch;
    };

    enum class Kind { Reprint, Priority };
    enum class Outcome {
        ListsRestoring,  // the start-up restore runs: hint, nothing added
        NoPrinter,       // message box, nothing added
        PrinterBusy,     // a print job runs: busy hint
        AlreadyHandling, // a previous click is still being handled
        EmptyQuantity,   // hint: enter a quantity
        ListBusy,        // another path is adding a row: busy hint
        Added,           // the chosen photo was added
        SearchStarted,   // the typed text is being looked up
        NothingChosen,   // neither a chosen photo nor a typed text
    };

    ReprintDesk(PhotoListModel &printed, ReprintListModel &reprints, Ui ui);

    // Click on the printed list: a row chooses its photo and shows its name,
    // or its number when numbers are printed on the photos; -1 (outside the
    // rows) clears the choice. The quantity becomes "1"; the page then moves
    // the focus to the quantity field.
    void ChooseRow(int row, bool byNumber);
    // The operator typed into the name field (the page's own filling on a
    // click does not count): the photo is no longer chosen.
    void NameTyped(const QString &text);
    void ClearChoice();

    // "补打" (Kind::Reprint, also Enter) and "优先补打" (Kind::Priority) with
    // the fields' texts. A priority click sets PriorityNext before it checks
    // the fields, so when it is refused for an empty quantity or a busy list
    // the next row added by any path still goes to the top. While the
    // start-up restore runs (PrintedListReady clear) every click is refused
    // with the restoring hint: the day's reprint list is not read yet.
    Outcome Click(Kind kind, const QString &nameField, const QString &quantityField);

    // Looks for the typed name or number on a search thread of the desk's
    // own (StartReprintSearch); the desk waits for it when it goes.
    void StartSearch(const QString &text, int quantity, bool byNumber, std::function<void()> done);

    const ChosenPhoto &Chosen() const { return m_chosen; }
    const QString &NameField() const { return m_nameField; }
    const QString &QuantityField() const { return m_quantityField; }
    bool ReprintBusy() const { return m_reprintBusy; }

private:
    Outcome Request(Kind kind, const QString &nameField, const QString &quantityField);
    void AddChosen(int quantity);

    PhotoListModel &m_printed;
    ReprintListModel &m_reprints;
    Ui m_ui;
    ChosenPhoto m_chosen;
    QString m_nameField;
    QString m_quantityField = QStringLiteral("1");
    bool m_reprintBusy = false;
    WorkerSet m_searches;
};

// Adds a reprint of printed row `row` (its name and path) for `quantity`
// copies, with the total and the success hint. The list's count and file
// are the caller's step.
void AddPrintedRow(ReprintListModel &reprints, int row, const QString &name, const QString &path, int quantity,
                   const ShowHint &showHint);

// Looks for the first printed row whose name (or number, with byNumber) is
// exactly the text and adds a reprint row of `quantity` copies for it, with
// the success hint and the total; later equal rows are ignored. When a row
// was added the list is saved, otherwise the "not found" hint is shown.
// Clears ReprintListBusy. True when a row was added.
bool SearchPrintedList(PhotoListModel &printed, ReprintListModel &reprints, const QString &text, int quantity,
                       bool byNumber, const ShowHint &showHint);

// Runs SearchPrintedList on a thread of `searches`, logged in the run log,
// then calls `done` there (the page queues its field reset to its own
// thread). The models must outlive `searches`, which joins the search.
void StartReprintSearch(WorkerSet &searches, PhotoListModel &printed, ReprintListModel &reprints, const QString &text, int quantity,
                        bool byNumber, ShowHint showHint, std::function<void()> done);
