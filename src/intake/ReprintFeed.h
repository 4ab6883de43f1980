#pragma once

#include "intake/ReprintTexts.h"
#include "platform/WorkerSet.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class CompanionLink;
class PhotoListModel;
class ReprintListModel;

// What tells the two reprint feeds apart: the automatic reprint from the
// face-counting tool and the phone reprint from the phone transfer tool.
struct ReprintFeedKind
{
    std::atomic<bool> &running;
    std::atomic<bool> &stop;
    std::atomic<int> &count;
    QString stateKey;         // the state file's key, section "System"
    QString companionTitle;   // the companion's window title, exactly
    QString companionMissing; // the message when it is not running
    QString startedLog;
    QString endedLog;
    // The folder the companion writes its info files to, as set now.
    QString (*folder)();
    // Copies for a printed photo of `printed` copies whose info file asks
    // for `wanted`; 0 for none.
    int (*copies)(int wanted, int printed);
    // Reads the folder only while few reprints wait (ReprintBacklogLow).
    bool heedsBacklog;
};

// The face-counting tool: its people count goes through the reprint rules,
// and its files wait while more than 30 reprint copies do.
const ReprintFeedKind &AutomaticReprint();
// The phone transfer tool: the number ordered is the number printed.
const ReprintFeedKind &PhoneReprint();

// One reprint feed: its check box's click and the thread that turns the
// companion's info files ("NAME.vellora", UTF-16LE, the number on the last
// line) into reprint rows for the printed photo NAME. A file waits in the
// folder until its photo is in the printed list; then it is applied and
// deleted, whatever it asked for. Files of all feeds are handled one at a
// time (reprint_info_cs). Touches only the models, never a widget.
class ReprintFeed final
{
public:
    struct Ui
    {
        ShowHint showHint;
        // A message box with an OK button; called on the clicking thread.
        std::function<void(const QString &)> showMessage;
    };

    ReprintFeed(const ReprintFeedKind &kind, PhotoListModel &printed, ReprintListModel &reprints,
                CompanionLink &companion, Ui ui);
    // Asks a running thread to stop and waits for it, so the models outlive it.
    ~ReprintFeed();
    ReprintFeed(const ReprintFeed &) = delete;
    ReprintFeed &operator=(const ReprintFeed &) = delete;

    // A click on the feed's check box (crash recovery makes the same). With
    // no thread running and a folder set: records "Start", tells the
    // companion (or says it is not running) and starts the thread; true.
    // Otherwise asks a running thread to stop and records "Stop"; false.
    bool Click(uint64_t senderWindow);

private:
    void Run(const QString &folder);
    void ReadFolder(const QString &folder);
    bool MayTakeNextFile() const;
    void HandleInfoFile(const QString &file);

    const ReprintFeedKind &m_kind;
    PhotoListModel &m_printed;
    ReprintListModel &m_reprints;
    CompanionLink &m_companion;
    Ui m_ui;
    WorkerSet m_workers;
};

// Turns one info file ("NAME.vellora") into a reprint row for the first
// printed row named NAME that `copiesFor` gives copies, under
// reprint_info_cs and with ReprintListBusy set; the file is deleted once a
// printed row of its name exists. A file whose photo is not printed yet stays.
void ApplyInfoFile(const QString &file, PhotoListModel &printed, ReprintListModel &reprints,
                   int (*copiesFor)(int wanted, int printed), const ShowHint &showHint);

// The print manager page's two feeds, reaching their companions over local
// sockets.
class ReprintFeeds final
{
public:
    ReprintFeeds(PhotoListModel &printed, ReprintListModel &reprints, const ReprintFeed::Ui &ui);
    ~ReprintFeeds();

    ReprintFeed &Automatic() { return *m_automatic; }
    ReprintFeed &Phone() { return *m_phone; }

private:
    std::unique_ptr<CompanionLink> m_companions; // first: it outlives the feeds
    std::unique_ptr<ReprintFeed> m_automatic;
    std::unique_ptr<ReprintFeed> m_phone;
};
