#pragma once

#include "platform/PrivateCupsDaemon.h"

#include <QStringList>
#include <QTimer>

#include <memory>
#include <thread>

class CVelloraDlg;

// A ready event for trying the program without a photo printer (`--demo`):
// in the program folder (the current directory) a spooler of its own with
// two virtual 4x6 photo printers whose pages land as JPEG files in
// "printed", a frame template and paper size already chosen, a source folder
// into which sample photos arrive over the first minute, and both printers
// chosen and automatic printing started as soon as the window can. Nothing
// outside the folder changes; the spooler ends with the program.
class DemoEvent final
{
public:
    DemoEvent();
    ~DemoEvent();
    DemoEvent(const DemoEvent &) = delete;
    DemoEvent &operator=(const DemoEvent &) = delete;

    // Prepares the folder and starts the spooler; false (with the reason on
    // standard error) when the spooler could not be started.
    bool Prepare();
    // Drops the first sample photo into the source folder now and the others
    // one by one, and chooses both printers and starts automatic printing as
    // soon as the window can.
    void Start(CVelloraDlg &window);

    static constexpr int kSamplePhotos = 12;
    static constexpr int kFirstBurst = 3;
    static constexpr int kArrivalIntervalMs = 5000;
    static constexpr int kSecondsPerPrint = 12;

private:
    bool StartPrinters();
    void WriteSettings();
    void StageSamplePhotos();
    void DropNextPhoto();
    bool ChoosePrintersAndStart(CVelloraDlg &window);

    std::unique_ptr<PrivateCupsDaemon> m_cups;
    QStringList m_staged;
    int m_dropped = 0;
    std::jthread m_painter;
    QTimer m_arrivals;
    QTimer m_operator;
};
