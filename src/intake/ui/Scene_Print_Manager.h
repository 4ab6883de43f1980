#pragma once

#include "intake/ReprintDesk.h"
#include "intake/ReprintEdits.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>

class PicturePreviewDlg;
class QAbstractItemModel;
class PrintManager;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ReprintFeed;
class ReprintFeeds;
class CombinationReprintSession;
class ReprintListModel;
class ReprintWorker;
class QTableView;
class QTimer;

// The on-site printing page: basic settings, start and pause, the pending,
// printed and reprint lists and the reprint fields. A thin view over
// PrintManager and its PhotoQueue; its PageTimer drives the whole intake.
class Scene_Print_Manager final : public QWidget
{
    Q_OBJECT

public:
    explicit Scene_Print_Manager(QWidget *parent = nullptr);
    ~Scene_Print_Manager() override;

    PrintManager &Manager() { return *m_manager; }
    QTableView *PendingList() const { return m_pendingList; }
    QTableView *PrintedList() const { return m_printedList; }
    QTableView *ReprintList() const { return m_reprintList; }
    ReprintListModel &Reprints() { return *m_reprints; }
    QLineEdit *NameField() const { return m_name; }
    QLineEdit *QuantityField() const { return m_count; }
    QPushButton *ReprintButton() const { return m_reprint; }
    QPushButton *PriorityReprintButton() const { return m_priorityReprint; }
    // The in-place editor of a reprint quantity, hidden while not editing.
    QLineEdit *QuantityEditorField() const { return m_quantityEditor; }
    QLabel *Hint() const { return m_hint; }
    QRadioButton *StartButton() const { return m_start; }
    QRadioButton *PauseButton() const { return m_pause; }
    QTimer *PageTimer() const { return m_pageTimer; }
    QCheckBox *AutoReprintBox() const { return m_autoReprint; }
    QCheckBox *PhoneReprintBox() const { return m_phoneReprint; }

    // Crash recovery: automatic reprint starts as its check box's click
    // starts it, and the box shows whether it runs.
    void ResumeAutoReprint();

    // The hint line's set-up guidance, with `printers` the spooler's
    // printer count (-1 while the list is not ready): until automatic
    // printing runs, the next missing step takes the place of the resting
    // hint; afterwards the reprint hint returns.
    void UpdateSetupGuidance(int printers);

    // The orderly exit records automatic and phone reprint as stopped.
    void UncheckReprintBoxes();

    // Asks for a folder or a file; tests replace them.
    std::function<QString()> askSourceFolder;
    std::function<QString()> askFrameFile;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateSettingsRow();
    void CreateLists();
    void CreateReprintRow();
    void LoadFields();
    void OnChooseSourceFolder();
    void OnChooseFrameFile();
    void OnOpenTemplateSettings();
    void OnStart();
    void OnPendingDoubleClick(int row, Qt::MouseButton button);
    void OnPrintedRightClick(int row);
    void CreateReprintDesk();
    void CreateReprintFeeds();
    // A reprint feed's check box was clicked: the box then shows whether the feed runs.
    void OnFeedClick(ReprintFeed &feed, QCheckBox *box);
    bool HandleListMouse(QObject *watched, QEvent *event);
    void OnPrintedClick(QPoint at);
    void OnPrintedDoubleClick(QPoint at);
    void OnReprintListDoubleClick(QPoint at, Qt::MouseButton button);
    void OnReprintListRightClick(QPoint at);
    void CloseQuantityEditor();
    // The reprint list is not touched while the start-up restore runs; the hint says so.
    bool RefusedWhileRestoring();
    void OnEnterReleased();
    void OnReprintClick(ReprintDesk::Kind kind);
    void ShowReprintFields();
    // Shows a hint from any thread on the page's own thread.
    void ShowHintLater(const QString &hint);
    // Shows a hint, or the set-up guidance in place of a resting one.
    void SetHint(const QString &hint);
    void RefreshSetupGuidance();
    QString CurrentGuidance() const;
    void SaveScreenCapture();
    void LayOut();
    QTableView *CreateList(QAbstractItemModel *model);

    PrintManager *m_manager;
    PicturePreviewDlg *m_preview = nullptr;
    QTimer *m_pageTimer = nullptr;

    QGroupBox *m_settingsBox = nullptr;
    QLineEdit *m_sourceFolder = nullptr;
    QPushButton *m_chooseSource = nullptr;
    QLineEdit *m_frameFile = nullptr;
    QPushButton *m_chooseFrame = nullptr;
    QPushButton *m_templateSettings = nullptr;
    QLineEdit *m_paperWidth = nullptr;
    QLineEdit *m_paperHeight = nullptr;
    QLineEdit *m_quality = nullptr;
    QRadioButton *m_start = nullptr;
    QRadioButton *m_pause = nullptr;

    QTableView *m_pendingList = nullptr;
    QTableView *m_printedList = nullptr;
    QTableView *m_reprintList = nullptr;
    ReprintListModel *m_reprints = nullptr;
    std::unique_ptr<ReprintDesk> m_desk;
    std::unique_ptr<ReprintWorker> m_worker;
    std::unique_ptr<ReprintFeeds> m_feeds;
    std::unique_ptr<CombinationReprintSession> m_combinationSession;
    QuantityEditor m_editor;
    EnterGate m_enterGate;
    QElapsedTimer m_enterClock;
    bool m_standbyPrinting = false;
    int m_printerCount = -1;
    // The release that ends a double click chooses nothing.
    bool m_printedDoubleClicked = false;

    QLabel *m_nameLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_countLabel = nullptr;
    QLineEdit *m_count = nullptr;
    QPushButton *m_reprint = nullptr;
    QPushButton *m_priorityReprint = nullptr;
    QLabel *m_hint = nullptr;
    QLineEdit *m_quantityEditor = nullptr;
    QCheckBox *m_autoReprint = nullptr;
    QCheckBox *m_phoneReprint = nullptr;
};
