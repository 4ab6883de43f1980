#pragma once

#include <QApplication>

// The application object: prepares the process and runs the main window
// modally; the process ends when the window's run returns.
class CVelloraApp final : public QApplication
{
    Q_OBJECT

public:
    CVelloraApp(int &argc, char **argv);

    int Run();
};
