#pragma once

#include "platform/WorkerSet.h"
#include "settings/PhotoArchive.h"

#include <QWidget>

#include <functional>

class dialogMask;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The system settings page, the main window's second tab: the automatic
// reprint rules, the phone transfer tool's folder, the thumbnail limits, the
// archive folder, two actions for interactive photography and the automatic
// printing wait time. Every action takes effect at once; there is no
// page-wide save. The page reads its files when it is created.
class DLG_Help final : public QWidget
{
    Q_OBJECT

public:
    // Asks for a folder under the given title; an empty result means none was chosen.
    using FolderChooser = std::function<QString(QWidget *parent, const QString &title)>;

    explicit DLG_Help(QWidget *parent = nullptr);

    // Tests choose folders without a dialog.
    void SetFolderChooser(FolderChooser chooser);

signals:
    // "清空补打数据" has finished deleting, with the number of files deleted.
    void ReprintDataCleared(int deleted);
    // An archive has finished and its closing message was answered.
    void ArchiveFinished(int archived, int leftBehind);

private:
    QGroupBox *CreateReprintRulesGroup();
    QGroupBox *CreatePhoneGroup();
    QGroupBox *CreateDisplayGroup();
    QGroupBox *CreateArchiveGroup();
    QGroupBox *CreatePhotographyGroup();
    QGroupBox *CreateSoftwareGroup();
    void LoadValues();

    void ChooseAutoReprintFolder();
    void ChoosePhoneFolder();
    void ChooseArchiveFolder();
    void FillDefaultRules();
    void SaveRules();
    void SaveDisplay();
    void Archive();
    void FinishArchive(int archived, int leftBehind);
    void ClearReprintData();
    void FinishClearing(int deleted);

    FolderChooser m_chooseFolder;
    QLineEdit *m_autoReprintFolder = nullptr;
    QLineEdit *m_minimum = nullptr;
    QLineEdit *m_maximum = nullptr;
    QLineEdit *m_reduction = nullptr;
    QLineEdit *m_phoneFolder = nullptr;
    QLineEdit *m_thumbnailSize = nullptr;
    QLineEdit *m_thumbnailWaitPrintCount = nullptr;
    QLineEdit *m_thumbnailPrintedCount = nullptr;
    QLineEdit *m_archiveFolder = nullptr;
    QPushButton *m_clearButton = nullptr;
    QCheckBox *m_captureOnTop = nullptr;
    QLineEdit *m_waitTime = nullptr;
    QLabel *m_waitHint = nullptr;
    dialogMask *m_mask = nullptr;
    PhotoArchive m_archive;
    // The clearing of the reprint data; it stops with the page.
    WorkerSet m_clearing;
};
