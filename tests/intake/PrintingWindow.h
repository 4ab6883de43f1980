#pragma once

#include "app/CVelloraDlg.h"
#include "intake/PhotoQueue.h"
#include "intake/PrintManager.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ProgramFolder.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

// The whole program window over a private CUPS daemon with one queue,
// "Photo-A", in a program folder with a source folder, a frame template and
// a small paper size, so compositions are quick; pauses scaled, timers in
// real time. The window's timers run only while the test waits with the
// event loop going (ASSERT_EVENTUALLY, QSignalSpy::wait), never in a plain sleep.
class PrintingWindow : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the window and waits for the printers to be listed.
    void OpenWindow();
    // Closes the window, waits for its print threads and leaves the
    // process-wide state as a new process finds it.
    void CloseWindow();
    // Checks the printer of that row once its paper is known.
    void CheckPrinter(int row = 0);

    Scene_Print_Manager &Page() { return m_window->PrintManagerPage(); }
    PhotoQueue &Queue() { return Page().Manager().Queue(); }

    static QStringList Files(const char *folder);

    ProgramFolder m_folder;
    PrivateCups m_cups;
    std::unique_ptr<CVelloraDlg> m_window;
};
