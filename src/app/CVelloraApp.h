#pragma once

#include <QApplication>

class CameraController;
class CameraModel;

// The application object: prepares the process and runs the main window
// modally; the process ends when the window's run returns.
class CVelloraApp final : public QApplication
{
    Q_OBJECT

public:
    CVelloraApp(int &argc, char **argv);

    int Run();

    // The connected camera's model and controller while a camera window is
    // open, null otherwise (the camera session keeps them current).
    static CameraModel *CurrentCameraModel();
    static CameraController *CurrentCameraController();
};
