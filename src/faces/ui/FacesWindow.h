#pragma once

#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>

class FaceWatch;
class QLabel;
class QListWidget;
class QTimer;

// The face-counting tool's window: the program folder it works for (chosen
// here and remembered), the folders it reads and writes, what keeps it from
// working, the last photos with their counts and the info files written today.
class FacesWindow final : public QWidget
{
    Q_OBJECT

public:
    static QString Title();

    // Starts watching `programFolder` at once when it is not empty.
    explicit FacesWindow(const QString &programFolder, QWidget *parent = nullptr);
    ~FacesWindow() override;

    // The desk's message (see the README: the tool looks at once).
    void DeskMessage();

private:
    void ChooseFolder();
    void Watch(const QString &programFolder);
    void ShowStatus();

    QString m_programFolder;
    std::unique_ptr<FaceWatch> m_watch;
    QLabel *m_program;
    QLabel *m_printed;
    QLabel *m_info;
    QLabel *m_problem;
    QLabel *m_written;
    QLabel *m_desk;
    QListWidget *m_latest;
    QTimer *m_refresh;
};

// The remembered program folder; empty when none was chosen yet.
QString RememberedProgramFolder();
