#pragma once

#include "intake/PhotoQueue.h"
#include "platform/WorkerSet.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The print manager page without its widgets: the operator's basic settings
// and their files, starting and pausing automatic printing, and PageTimer,
// the one-second scheduler of the whole intake. Lives on the user-interface
// thread; every tick only looks at flags and starts workers, it never waits.
class PrintManager final : public QObject
{
    Q_OBJECT

public:
    explicit PrintManager(QObject *parent = nullptr);
    ~PrintManager() override;

    PhotoQueue &Queue() { return *m_queue; }

    // Start-up: the source folder and frame file of Config/sys.ini, the
    // template settings and the paper size file.
    void Load();

    QString SourceFolder() const { return m_sourceFolder; }
    QString FrameFile() const { return m_frameFile; }
    QString PaperWidthText() const { return m_paperWidth; }
    QString PaperHeightText() const { return m_paperHeight; }
    bool StartChecked() const { return m_startChecked; }

    // False, and nothing changes, for a folder inside the program's own photo folders.
    bool ChooseSourceFolder(const QString &folder);
    void ChooseFrameFile(const QString &file);
    // Typing in a paper size field; the size takes effect on CommitPaperSize.
    void EditPaperSize(const QString &width, const QString &height);
    // Checks the typed paper size against the papers an event prints on: a
    // side outside is refused and the size in force stays (PaperWidthText and
    // PaperHeightText give it back for the fields, empty when there is none);
    // the message goes to the hint line and the run log.
    void CommitPaperSize();
    // The quality as typed, brought into 10..100 (a text that is no number
    // keeps the quality in force); the value used is stored. Returns it.
    int CommitQuality(const QString &typed);

    enum class StartResult { Started, ListsRestoring };
    StartResult Start();
    void Pause();
    // Recovery after a crash: automatic printing runs again as it was,
    // prepared as its start prepares it and with its combination reprint
    // session, so no combination's extra copies wait for a pause and start.
    void ShowStarted();
    void ResumeAutoPrint();
    void PrepareAutoPrint();
    // The dispatcher's per-printer slots, once per run (PrintWorkersReady).
    void PrepareThreadSlots();
    // F4 while automatic printing is paused.
    void ToggleManualMode();

    // One PageTimer tick.
    void Tick();

    // The reprint worker's start, set by the reprint paths; called by the
    // tick when reprints wait and the worker may run (the quantity field is
    // not being edited, no reprint is being added or handled).
    std::function<void()> startReprintWorker;
    // The combination reprint session's start, set by the page; each start
    // of automatic printing calls it.
    std::function<void()> startCombinationSession;

signals:
    void HintChanged(const QString &hint);
    void StartCheckedChanged(bool startChecked);

private:
    void StartCombinationSession();
    void SetStartChecked(bool checked);
    void TakePaperSize();
    // The paper size texts checked against their range; what was refused is said once.
    void CheckPaperSize(std::optional<int> widthInForce, std::optional<int> heightInForce);
    void Announce(const QString &message);
    void CheckStuckPrinting();
    void ScheduleReprints(bool requireAutoPrint);
    void RequestSourceScanNow();
    void CountIdleSeconds();
    void ResetHint();

    std::unique_ptr<PhotoQueue> m_queue;
    QString m_sourceFolder;
    QString m_frameFile;
    QString m_paperWidth;
    QString m_paperHeight;
    bool m_startChecked = false;
    bool m_firstTick = true;
    int m_recoveryCheckCount = 0;
    int m_hintTickCount = 0;
    // The source folder walks: they start compositions on the queue, so they end before it.
    WorkerSet m_walks;
};

// True for a folder inside the program's own photo folders (Pic_P, Pic_B,
// Pic_R, Pic_S or Pic_T anywhere after the path's first character, in that case).
bool IsProgramPhotoFolder(const QString &folder);
