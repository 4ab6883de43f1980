#pragma once

#include <QLocalServer>
#include <QPointer>
#include <QWidget>

#include <filesystem>

// Brings the program's window forward when a second start in the same
// program folder asks for it: the second start is refused, and the operator
// sees the window that already runs instead of a window that seems lost.
// The call goes over a local socket named after the program folder.
class WindowForward final : public QObject
{
public:
    explicit WindowForward(const std::filesystem::path &programFolder);

    // From now on a call raises this window (or the last one given).
    void Serve(QWidget *window);

    // Asks the program that runs in `programFolder` to bring its window
    // forward; false when it did not answer within half a second.
    static bool Ask(const std::filesystem::path &programFolder);

private:
    void Raise();

    QLocalServer m_server;
    QPointer<QWidget> m_window;
};
