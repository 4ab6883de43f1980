#pragma once

#include <QDialog>
#include <QImage>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class ReviewPicture;
struct ShotRow;

// The review after every shot of an interactive series: the new shot large,
// every shot waiting in TempPicture as a thumbnail below it (filled row by
// row by a scan of the folder), and the choice to look at a shot, delete
// one, go on shooting, or stop shooting and combine the first four shots.
// Shown on the user-interface thread while the camera's command processor
// waits for it.
class TakePicturePreviewDlg final : public QDialog
{
    Q_OBJECT
public:
    enum Control { kPreview = 1098, kGoOn = 1099, kDelete = 1100, kShotList = 1103, kStop = 1105 };

    // `shot` is the new shot's full path; `picture` it decoded (null: the
    // dialog decodes it). `folder` is the folder the scan lists.
    TakePicturePreviewDlg(const QString &shot, QImage picture, const std::filesystem::path &folder,
                          QWidget *parent = nullptr);
    ~TakePicturePreviewDlg() override;

    QWidget *control(int id) const;
    QListWidget *shotList() const { return m_list; }
    int rowCount() const;
    QString rowPath(int row) const;
    int selectedRow() const { return m_selectedRow; }
    QString currentPath() const { return m_currentPath; }
    bool scanFinished() const { return m_scanFinished; }

    // A click on a row: it becomes the selected row and its shot is shown.
    void clickRow(int row);
    // Makes the path current and shows it; a path whose file is gone takes
    // its selected row out of the list.
    void showPath(const QString &path);
    // "删除": asks first, then deletes the current shot and its row.
    void deleteCurrent();
    // "继续拍照" and "不拍了".
    void goOnShooting();
    void stopShooting();

    // After "不拍了" with shots listed: the shots for the combination.
    bool combinationChosen() const { return !m_chosen.empty(); }
    const std::vector<QString> &chosenShots() const { return m_chosen; }

signals:
    void rowAdded(int row);
    void scanDone();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void startScan();
    void addRow(const ShotRow &row);
    void placeControls();
    void drawCurrent();
    int lastRowShowing(const QString &path) const;

    std::filesystem::path m_folder;
    ReviewPicture *m_picture = nullptr;
    QListWidget *m_list = nullptr;
    QPushButton *m_goOn = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_stop = nullptr;
    QString m_currentPath;
    QImage m_current;
    int m_selectedRow = -1;
    bool m_initialised = false;
    bool m_drawn = false;
    bool m_scanFinished = false;
    std::vector<QString> m_chosen;
    std::atomic<bool> m_stopScan{false};
    std::thread m_scan;
};
