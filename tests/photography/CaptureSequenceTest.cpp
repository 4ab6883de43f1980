#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "app/CVelloraDlg.h"
#include "camera/CameraController.h"
#include "camera/CameraSession.h"
#include "camera/CurrentCamera.h"
#include "camera/ShotFiling.h"
#include "camera/sdk/SimulatedCamera.h"
#include "camera/ui/CEVFPictureBox.h"
#include "camera/ui/CameraShootDlg.h"
#include "photography/CombinationSettings.h"
#include "photography/UiThreadWait.h"
#include "photography/ui/CaptureSequence.h"
#include "photography/ui/TakePicturePreviewDlg.h"
#include "photography/ui/Take_Pictures.h"
#include "photography/ui/TimesCountDownDlg.h"
#include "platform/Clock.h"
#include "platform/CodePage936.h"
#include "platform/Pause.h"
#include "platform/Profile.h"

#include "tests/camera/CameraWindowRig.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class CaptureSequenceTest : public testing::Test
{
protected:
    void SetUp() override { SetPauseScale(0.02); }
    void TearDown() override
    {
        SetPauseScale(1.0);
        LiveViewOn = false;
        CaptureWaitTime = 0;
        CaptureOnTop = false;
    }
};

// Counts the countdown windows that open.
class CountdownWatch final : public QObject
{
public:
    CountdownWatch() { qApp->installEventFilter(this); }
    ~CountdownWatch() override { qApp->removeEventFilter(this); }
    int opened = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<TimesCountDownDlg *>(watched))
            ++opened;
        return false;
    }
};

template <class Dialog> Dialog *ActiveModal()
{
    return qobject_cast<Dialog *>(QApplication::activeModalWidget());
}

} // namespace

// The countdown shows N, N-1, ... 1 a (scaled) second apart, 0 as it
// closes, and only then is the picture taken; a wait time of 0 opens no
// countdown and shoots at once.
TEST_F(CaptureSequenceTest, CountdownThenShot)
{
    for (const int seconds : {3, 0}) {
        SCOPED_TRACE(seconds);
        WindowRig rig;
        ASSERT_TRUE(rig.window);
        CaptureWaitTime = seconds;
        CaptureOnTop = true;
        CountdownWatch watch;
        std::vector<int> digits;
        std::vector<qint64> times;
        int shotsDuringCountdown = 0;
        QElapsedTimer clock;
        clock.start();
        // Watch each countdown as it opens.
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (auto *countdown = ActiveModal<TimesCountDownDlg>(); countdown && !countdown->property("seen").toBool()) {
                countdown->setProperty("seen", true);
                QObject::connect(countdown, &TimesCountDownDlg::digitShown, [&](int digit) {
                    digits.push_back(digit);
                    times.push_back(clock.elapsed());
                    shotsDuringCountdown += rig.rig.camera->shotsTaken();
                });
            }
        });
        watcher.start(1);
        CaptureSequence::Shoot(*rig.window);
        EXPECT_FALSE(CaptureOnTop) << "the shoot button ends keeping on top";
        EXPECT_TRUE(QTest::qWaitFor([&] { return rig.rig.camera->shotsTaken() == 1; }, 5000));
        EXPECT_EQ(shotsDuringCountdown, 0);
        EXPECT_EQ(watch.opened, seconds > 0 ? 1 : 0);
        if (seconds == 0) {
            EXPECT_TRUE(digits.empty());
            continue;
        }
        EXPECT_EQ(digits, (std::vector<int>{3, 2, 1, 0}));
        // A second is 20 ms here: the digits come about that far apart.
        for (size_t i = 1; i < times.size(); ++i)
            EXPECT_GE(times[i] - times[i - 1], 10) << "between digit " << i - 1 << " and " << i;
        EXPECT_GE(times.back(), 4 * 20 * 0.8);
    }
}

// The countdown window: frameless, translucent, on top, screen-sized,
// digits in 186-point Arial; twelve seconds from the file count down from 12.
TEST_F(CaptureSequenceTest, CountdownWindowAndLongWaits)
{
    SetPauseScale(0.005);
    TimesCountDownDlg countdown(12);
    EXPECT_TRUE(countdown.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(countdown.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(countdown.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(countdown.size(), QGuiApplication::primaryScreen()->size());
    EXPECT_EQ(countdown.digits()->font().pointSize(), 186);
    EXPECT_EQ(countdown.digits()->font().family(), "Arial");
    EXPECT_TRUE(countdown.digits()->text().isEmpty());
    std::vector<int> digits;
    QObject::connect(&countdown, &TimesCountDownDlg::digitShown, [&](int digit) { digits.push_back(digit); });
    countdown.exec();
    std::vector<int> expected;
    for (int digit = 12; digit >= 0; --digit)
        expected.push_back(digit);
    EXPECT_EQ(digits, expected);
}

// On a desktop without a compositing manager the translucent window would be
// black: the window is shaped to the digits, so all around them the live view
// shows through.
TEST_F(CaptureSequenceTest, CountdownWindowIsShapedToItsDigits)
{
    SetPauseScale(0.2);
    TimesCountDownDlg countdown(3);
    countdown.show();
    QRegion shownMask;
    QObject::connect(&countdown, &TimesCountDownDlg::digitShown, [&](int digit) {
        if (digit == 3)
            shownMask = countdown.mask();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shownMask.isEmpty(); }, 3000));
    const QRect digit = shownMask.boundingRect();
    const QRect screen = countdown.rect();
    // A 186-point digit: tall, but a small part of the screen, in its middle.
    EXPECT_GT(digit.height(), 100);
    EXPECT_LT(digit.width() * digit.height(), screen.width() * screen.height() / 8);
    EXPECT_TRUE(digit.intersects(countdown.digits()->geometry()));
    // Only the strokes: the digit's own box is not filled.
    int covered = 0;
    for (const QRect &part : shownMask)
        covered += part.width() * part.height();
    EXPECT_LT(covered, digit.width() * digit.height());
    countdown.done(QDialog::Accepted);
}

// Without a camera the start button says "Cannot detect camera" in a box
// without title and leaves the page and the program without a camera.
TEST_F(CaptureSequenceTest, NoCameraIsReported)
{
    ProgramFolder folder;
    SimulatedCamera *made = nullptr;
    Take_Pictures page([&made] {
        auto camera = std::make_unique<SimulatedCamera>();
        camera->setAttached(false);
        made = camera.get();
        return std::unique_ptr<CameraSdk>(std::move(camera));
    });
    bool opened = false;
    QObject::connect(&page, &Take_Pictures::cameraWindowOpening, [&] { opened = true; });
    MessageBoxAnswer ok(QMessageBox::Ok);
    static_cast<QPushButton *>(page.control(Take_Pictures::kStart))->click();
    ASSERT_EQ(ok.Boxes().size(), 1u);
    EXPECT_EQ(ok.Boxes()[0].text, "Cannot detect camera");
    // Beside the fixed text, the cause the program knows.
    EXPECT_EQ(ok.Boxes()[0].informativeText, "no camera found");
    EXPECT_EQ(ok.Boxes()[0].title, "");
    EXPECT_EQ(ok.Boxes()[0].buttons, QMessageBox::Ok);
    EXPECT_TRUE(made);
    EXPECT_FALSE(opened);
    EXPECT_EQ(page.cameraWindow(), nullptr);
    EXPECT_EQ(CurrentCameraModel(), nullptr);
    EXPECT_EQ(page.applicationMainWindow(), page.window());
    EXPECT_FALSE(fs::exists("Config/CombinationSeting.ini")) << "the page wrote nothing";
}

// The program's own camera library with no camera on the machine (the real
// libgphoto2 backend): every start says so, opens nothing, logs why and
// leaves no file open behind, however often the operator tries.
TEST_F(CaptureSequenceTest, NoCameraOnTheRealLibraryEveryTime)
{
    ProgramFolder folder;
    fs::create_directories("Config/LOG");
    const QByteArray chosen = qgetenv("VELLORA_CAMERA");
    qunsetenv("VELLORA_CAMERA");
    Take_Pictures page;
    const auto openFiles = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    };
    long filesAfterFirst = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        MessageBoxAnswer ok(QMessageBox::Ok);
        static_cast<QPushButton *>(page.control(Take_Pictures::kStart))->click();
        ASSERT_EQ(ok.Boxes().size(), 1u) << "attempt " << attempt;
        EXPECT_EQ(ok.Boxes()[0].text, "Cannot detect camera");
        EXPECT_EQ(page.cameraWindow(), nullptr);
        EXPECT_EQ(CurrentCameraModel(), nullptr);
        if (attempt == 0)
            filesAfterFirst = openFiles();
    }
    EXPECT_EQ(openFiles(), filesAfterFirst) << "no camera start leaves a file open";
    QFile log(RunLogFileName(Clock::Now()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(CodePage936::ToUnicode(log.readAll()).count(QStringLiteral("Cannot detect camera: ")), 20);
    if (!chosen.isNull())
        qputenv("VELLORA_CAMERA", chosen);
}

// The camera session closes while the processor waits for a review on the
// user-interface thread, before and after the review has opened: the wait
// is released, the review goes, and nothing hangs.
TEST_F(CaptureSequenceTest, ClosingDuringTheReviewNeverHangs)
{
    for (const bool reviewShown : {false, true}) {
        SCOPED_TRACE(reviewShown);
        HangGuard guard("closing the camera during a review", 60s);
        QObject ui;
        CaptureSequence sequence(&ui, [](const std::vector<QString> &, UiThreadWait &) { ADD_FAILURE() << "no combination"; });
        SimulatedRig rig(sequence.filing());
        ASSERT_TRUE(rig.session);
        rig.session->open();
        Raise(rig.session->controller(), "startEVF");
        Raise(rig.session->controller(), "TakePicture");
        if (!reviewShown) {
            // The review is asked for but has not run yet: this thread has not looked at its events.
            ASSERT_TRUE(Eventually([&] { return fs::exists(rig.folder.Path() / "TempPicture/IMG_0001.JPG"); }));
            QTest::qSleep(50);
            EXPECT_TRUE(rig.session->close());
        } else {
            // The close comes from an event while the review runs, as a click or a key would.
            bool closed = false;
            QTimer script;
            QObject::connect(&script, &QTimer::timeout, [&] {
                if (!closed && ActiveModal<TakePicturePreviewDlg>()) {
                    closed = true;
                    EXPECT_TRUE(rig.session->close());
                }
            });
            script.start(10);
            ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 10000));
        }
        EXPECT_FALSE(rig.session->controller().processor().isRunning());
        QTest::qWait(50);
        EXPECT_EQ(ActiveModal<TakePicturePreviewDlg>(), nullptr);
    }
}

// End to end in the program's window with the simulated camera: the
// photography tab, "开始" opens the camera window, live view, a shot with
// wait time 0, its review while live view stands still, "继续拍照", a
// second shot, "不拍了" hands exactly the two shots to the combination on
// the processor's thread; closing the camera window makes the main window
// the one kept on top again.
TEST_F(CaptureSequenceTest, SeriesEndToEnd)
{
    HangGuard guard("an interactive series", 120s);
    ProgramFolder folder;
    fs::create_directories("Config/LOG");
    ASSERT_TRUE(Profile::Write("Config/SystemSeting.ini", "CombinationTakePicturesSetting", "Set_Capture_On_Top", "1"));
    setenv("VELLORA_CAMERA", "simulated", 1);
    CVelloraDlg window([] {});
    window.setWindowState(Qt::WindowNoState);
    window.resize(1000, 700);
    window.show();
    window.Tabs()->setCurrentIndex(2);
    EXPECT_TRUE(CaptureOnTop);
    Take_Pictures &page = window.PhotographyPage();

    // The combination step runs on the processor's thread; the script reads
    // what it was handed on this one, so the hand-over goes under a lock.
    std::mutex combinedMutex;
    std::vector<QString> combined;
    std::thread::id combinedOn;
    page.setCombinationStep([&](const std::vector<QString> &shots, UiThreadWait &) {
        const std::lock_guard lock(combinedMutex);
        combined = shots;
        combinedOn = std::this_thread::get_id();
    });
    const auto combinedShots = [&] {
        const std::lock_guard lock(combinedMutex);
        return combined;
    };

    // The script runs from the event loops of the camera window and the review.
    int step = 0;
    int framesAtReview = 0;
    int reviewTicks = 0;
    bool mainWhileOpen = false;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        CameraShootDlg *camera = page.cameraWindow();
        auto *review = ActiveModal<TakePicturePreviewDlg>();
        const auto click = [](QWidget *button) { static_cast<QPushButton *>(button)->click(); };
        switch (step) {
        case 0:
            if (camera && camera->isVisible()) {
                mainWhileOpen = page.applicationMainWindow() == camera;
                click(camera->control(CameraShootDlg::kStart));
                step = 1;
            }
            break;
        case 1:
        case 4:
            if (camera->picture()->framesShown() >= 3 && ActiveModal<CameraShootDlg>() == camera) {
                click(camera->control(CameraShootDlg::kShoot));
                ++step;
            }
            break;
        case 2:
        case 5:
            if (review && review->scanFinished()) {
                framesAtReview = camera->picture()->framesShown();
                reviewTicks = 0;
                ++step;
            }
            break;
        case 3:
        case 6:
            if (++reviewTicks < 15)
                break;
            EXPECT_EQ(camera->picture()->framesShown(), framesAtReview) << "live view stands still during the review";
            EXPECT_EQ(review->rowCount(), step == 3 ? 1 : 2);
            click(review->control(step == 3 ? TakePicturePreviewDlg::kGoOn : TakePicturePreviewDlg::kStop));
            step = step == 3 ? 4 : 7;
            break;
        case 7:
            if (!combinedShots().empty() && ActiveModal<CameraShootDlg>() == camera) {
                camera->close();
                step = 8;
            }
            break;
        default:
            break;
        }
    });
    script.start(20);
    static_cast<QPushButton *>(page.control(Take_Pictures::kStart))->click();
    script.stop();
    unsetenv("VELLORA_CAMERA");

    EXPECT_EQ(step, 8);
    EXPECT_TRUE(mainWhileOpen) << "the camera window is the main window while it runs";
    EXPECT_EQ(combinedShots(), (std::vector<QString>{"TempPicture/IMG_0001.JPG", "TempPicture/IMG_0002.JPG"}));
    {
        const std::lock_guard lock(combinedMutex);
        EXPECT_NE(combinedOn, std::this_thread::get_id());
    }
    EXPECT_EQ(page.cameraWindow(), nullptr);
    EXPECT_EQ(CurrentCameraModel(), nullptr);
    EXPECT_EQ(page.applicationMainWindow(), &window);

    // The shoot button cleared keeping on top; showing the tab again sets it,
    // and the main window is kept on top and as large as the screen.
    EXPECT_FALSE(CaptureOnTop);
    window.Tabs()->setCurrentIndex(0);
    window.Tabs()->setCurrentIndex(2);
    ASSERT_TRUE(CaptureOnTop);
    page.onTimer2();
    EXPECT_TRUE(window.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window.size(), window.screen()->size());
    EXPECT_TRUE(window.isVisible());
}
