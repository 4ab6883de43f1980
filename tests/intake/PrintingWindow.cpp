#include "tests/intake/PrintingWindow.h"

#include "desk/PrinterListModel.h"
#include "platform/Pause.h"
#include "platform/Profile.h"
#include "platform/Utf16File.h"
#include "printing/PrintJob.h"
#include "printing/PrinterRegistry.h"
#include "tests/support/Eventually.h"
#include "tests/support/FreshState.h"

#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

namespace fs = std::filesystem;

void PrintingWindow::SetUp()
{
    SetPauseScale(0.05);
    ASSERT_TRUE(m_cups.Start());
    m_cups.UseInThisProcess();
    ASSERT_TRUE(m_cups.AddQueue(QStringLiteral("Photo-A")));

    fs::create_directories("Config");
    fs::create_directory("in");
    QImage frame(945, 661, QImage::Format_ARGB32); // 50 x 35 mm at 480 dpi
    frame.fill(QColor(20, 20, 160));
    for (int y = 40; y < 621; ++y)
        for (int x = 40; x < 905; ++x)
            frame.setPixel(x, y, qRgba(0, 0, 0, 0));
    frame.save(QStringLiteral("frame.png"));
    const QString here = QDir::currentPath();
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"), here + "/in");
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Frame_File"), QStringLiteral("Code"), here + "/frame.png");
    Utf16File::WriteText("Config/All_the_same.vellora", QStringLiteral("50\n35\n"));
}

void PrintingWindow::TearDown()
{
    CloseWindow();
    SetPauseScale(1.0);
}

void PrintingWindow::OpenWindow()
{
    m_window = std::make_unique<CVelloraDlg>([] {});
    QSignalSpy enumerated(&m_window->Registry(), &PrinterRegistry::Enumerated);
    ASSERT_TRUE(enumerated.wait(10000));
}

void PrintingWindow::CloseWindow()
{
    m_window.reset();
    // A new process starts on fresh state; the print threads of this one end first.
    ASSERT_EVENTUALLY(PrintThreadsRunning() == 0, 15000);
    ResetProcessWideState();
}

void PrintingWindow::CheckPrinter(int row)
{
    PrinterListModel &printers = m_window->Printers();
    ASSERT_EVENTUALLY(!printers.Text(row, PrinterListModel::PaperColumn).isEmpty(), 15000);
    m_window->Registry().OnClicked(row, PrinterListModel::NameColumn);
    ASSERT_TRUE(printers.IsChecked(row));
}

QStringList PrintingWindow::Files(const char *folder)
{
    return QDir(QString::fromUtf8(folder)).entryList(QDir::Files, QDir::Name);
}
