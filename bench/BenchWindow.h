#pragma once

#include "app/CVelloraDlg.h"
#include "tests/support/PrivateCups.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The whole program window, offscreen, in a temporary program folder, over a
// private CUPS daemon with two queues ("Photo-A", "Photo-B"), both checked,
// automatic printing started. A frame template of the paper size (152 x 102
// mm is the event desk's 6 x 4 inch paper) and a source folder "in".
// `timeScale` scales the fixed pauses and the window's one-second timers
// alike (1.0: real time). Needs root, like the private daemon.
class BenchWindow final
{
public:
    BenchWindow(double timeScale, QSize paperMm);
    ~BenchWindow();

    // False when the daemon, the window or its printers did not come up.
    bool Open();

    // Writes `count` photos of `size` into a staging folder, named
    // IMG_0001.JPG ...; DropStagedPhotos moves them all into the source
    // folder at once, last name first.
    void StagePhotos(int count, QSize size);
    void DropStagedPhotos();

    CVelloraDlg &Window() { return *m_window; }
    PrivateCups &Cups() { return m_cups; }
    // Milliseconds since the photos were dropped.
    qint64 SinceDrop() const { return m_sinceDrop.elapsed(); }
    // Threads of this process now.
    static int ThreadCount();
    // The pending key of photo `index` (1-based): "0001" for IMG_0001.JPG.
    static QString Key(int index);

private:
    double m_timeScale;
    QSize m_paperMm;
    QTemporaryDir m_folder;
    PrivateCups m_cups;
    std::unique_ptr<CVelloraDlg> m_window;
    QStringList m_staged;
    QElapsedTimer m_sinceDrop;
};
