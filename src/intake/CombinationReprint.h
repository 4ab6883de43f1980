#pragma once

#include "intake/ReprintTexts.h"
#include "platform/WorkerSet.h"

#include <QString>

#include <atomic>

class PhotoListModel;
class ReprintListModel;

// The folder where a combination print leaves the copies still to print
// after its first: "NAME.vellora" for the combined picture NAME.jpg.
inline const QString CombinationInfoFolder = QStringLiteral("CombinationAddPrint");

// The combination reprint session: while automatic printing runs, a thread
// turns the combination prints' info files into reprint rows once their
// picture is in the printed list, so the extra copies are printed after the
// first. "开始" starts it, "暂停" (PauseClicked) ends it at its next check.
// Touches only the models, never a widget.
class CombinationReprintSession final
{
public:
    CombinationReprintSession(PhotoListModel &printed, ReprintListModel &reprints, ShowHint showHint);
    // Asks a running session to stop and waits for it, so the models outlive it.
    ~CombinationReprintSession();
    CombinationReprintSession(const CombinationReprintSession &) = delete;
    CombinationReprintSession &operator=(const CombinationReprintSession &) = delete;

    // Automatic printing started: clears PauseClicked and starts the
    // session, unless one still runs (it then simply goes on).
    void Start();
    bool Running() const { return m_running; }

private:
    void Run();
    bool Ending() const;
    void ReadFolder();

    PhotoListModel &m_printed;
    ReprintListModel &m_reprints;
    ShowHint m_showHint;
    std::atomic<bool> m_running{false};
    WorkerSet m_workers;
};
