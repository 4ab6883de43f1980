#include "desk/ProcessState.h"
#include "camera/ui/CEVFPictureBox.h"
#include "camera/ui/CameraShootDlg.h"
#include "intake/IntakeState.h"
#include "photography/CombinationSettings.h"
#include "photography/ui/CombinationPreviewdlg.h"
#include "photography/ui/TakePicturePreviewDlg.h"
#include "photography/ui/Take_Pictures.h"
#include "platform/Utf16File.h"
#include "tests/camera/CameraWindowRig.h"
#include "tests/intake/PrintingWindow.h"
#include "tests/support/Eventually.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

template <class Dialog> Dialog *ActiveModal()
{
    return qobject_cast<Dialog *>(QApplication::activeModalWidget());
}

QStringList Jobs(const PrivateCups &cups)
{
    QStringList jobs;
    for (const PrivateCups::ReceivedJob &job : cups.ReceivedJobs())
        jobs.append(QStringLiteral("%1x%2").arg(job.title).arg(job.copies));
    return jobs;
}

// A two-window frame template for two shots, kept for the photography page.
void KeepTwoCellTemplate()
{
    QImage frame(945, 661, QImage::Format_ARGB32);
    frame.fill(QColor(160, 20, 20));
    for (int y = 40; y < 621; ++y)
        for (int x = 40; x < 905; ++x)
            if (x < 452 || x >= 492)
                frame.setPixel(x, y, qRgba(0, 0, 0, 0));
    ASSERT_TRUE(frame.save(QStringLiteral("two.png")));
    WriteCombinationTemplate(2, QDir::current().absoluteFilePath(QStringLiteral("two.png")));
}

class CombinationPrinting : public PrintingWindow
{
protected:
    void TearDown() override
    {
        PauseClicked = true;
        PrintingWindow::TearDown();
        PauseClicked = false;
        PrintWorkersReady = false;
        ReprintTotalCount = 0;
        ReprintFileCount = 0;
        CaptureOnTop = false;
        unsetenv("VELLORA_CAMERA");
    }
};

} // namespace

// The whole road of an interactive series over the private CUPS daemon with
// the simulated camera: two shots, "不拍了", "3" in the combination preview.
// The combined picture is listed once and printed; its info file holds 2;
// once the picture is printed the combination reprint session adds a reprint
// of 2, which reaches the printer; the shots are kept in Pic_S.
TEST_F(CombinationPrinting, TwoShotsThreeCopies)
{
    HangGuard guard("a combination print", 120s);
    KeepTwoCellTemplate();
    setenv("VELLORA_CAMERA", "simulated", 1);
    OpenWindow();
    ASSERT_EVENTUALLY(PrintedListReady && !PendingScanRunning, 15000);
    CheckPrinter(0);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);
    m_window->Tabs()->setCurrentIndex(2);
    Take_Pictures &page = m_window->PhotographyPage();

    int step = 0;
    int pendingAfterPrint = -1;
    bool infoHeldTwo = false;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        // The info file is there from the click on "3" until the combination
        // reprint session takes it, once the picture is printed.
        if (step >= 6 && !infoHeldTwo) {
            const QStringList infos = QDir(QStringLiteral("CombinationAddPrint")).entryList(QDir::Files);
            infoHeldTwo = infos.size() == 1
                          && Utf16File::ReadText(("CombinationAddPrint/" + infos[0]).toStdString()) == QStringLiteral("2\n");
        }
        CameraShootDlg *camera = page.cameraWindow();
        const auto click = [](QWidget *button) { static_cast<QPushButton *>(button)->click(); };
        switch (step) {
        case 0: // live view on: every shot is then reviewed
            if (camera && camera->isVisible() && ActiveModal<CameraShootDlg>() == camera) {
                click(camera->control(CameraShootDlg::kStart));
                step = 1;
            }
            break;
        case 1:
        case 3:
            if (camera->picture()->framesShown() >= 3 && ActiveModal<CameraShootDlg>() == camera) {
                click(camera->control(CameraShootDlg::kShoot));
                ++step;
            }
            break;
        case 2:
        case 4:
            if (auto *review = ActiveModal<TakePicturePreviewDlg>(); review && review->scanFinished()
                                                                     && review->rowCount() == (step == 2 ? 1 : 2)) {
                click(review->control(step == 2 ? TakePicturePreviewDlg::kGoOn : TakePicturePreviewDlg::kStop));
                step = step == 2 ? 3 : 5;
            }
            break;
        case 5:
            if (auto *preview = ActiveModal<CombinationPreviewdlg>(); preview && preview->composedOnce()) {
                EXPECT_FALSE(CaptureOnTop);
                click(preview->control(CombinationPreviewdlg::kThree));
                step = 6;
            }
            break;
        case 6:
            if (ActiveModal<CameraShootDlg>() == camera) {
                pendingAfterPrint = Queue().Pending().RowCount() + Queue().Printed().RowCount();
                camera->close();
                step = 7;
            }
            break;
        default:
            break;
        }
    });
    script.start(20);
    static_cast<QPushButton *>(page.control(Take_Pictures::kStart))->click();
    ASSERT_EQ(step, 7);

    // Listed once (pending or, already, printed).
    EXPECT_EQ(pendingAfterPrint, 1);
    ASSERT_EVENTUALLY_EQ(Queue().Printed().RowCount(), 1, 30000);
    const QString name = Queue().Printed().Text(0, 2);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{13,14}$")).match(name).hasMatch()) << name.toStdString();
    // The first copy, then the reprint of the two others.
    ASSERT_EVENTUALLY_EQ(Jobs(m_cups).size(), 2, 60000);
    script.stop();
    const QStringList jobs = Jobs(m_cups);
    EXPECT_TRUE(jobs[0].startsWith(name) && jobs[0].endsWith(QStringLiteral("x1"))) << jobs.join(u' ').toStdString();
    EXPECT_TRUE(jobs[1].startsWith(name) && jobs[1].endsWith(QStringLiteral("x2"))) << jobs.join(u' ').toStdString();
    EXPECT_TRUE(infoHeldTwo);
    EXPECT_TRUE(QDir(QStringLiteral("CombinationAddPrint")).isEmpty());
    EXPECT_EQ(Files("Pic_S"), QStringList({"IMG_0001.JPG", "IMG_0002.JPG"}));
    EXPECT_TRUE(Files("TempPicture").isEmpty());
    EXPECT_EQ(Files("Pic_R"), QStringList{name + QStringLiteral(".jpg")});
}
