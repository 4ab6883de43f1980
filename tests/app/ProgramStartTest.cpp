#include "desk/SysValues.h"
#include "platform/Utf16File.h"
#include "tests/support/PrivateCups.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/ProgramFolder.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Program = RunningProgram;

// Code page 936 bytes, spelled out so the test does not trust our own converter.
const QByteArray kProgramOpened("\xB4\xF2\xBF\xAA\xC8\xED\xBC\xFE");              // 打开软件
const QByteArray kRecoveryFinished("\xCD\xEA\xB3\xC9\xB1\xC0\xC0\xA3\xBB\xD6\xB8\xB4"); // 完成崩溃恢复
const QByteArray kAutoReprintStarted(
    "\xBF\xAA\xCA\xBC\xD7\xD4\xB6\xAF\xB2\xB9\xB4\xF2\xBB\xE1\xBB\xB0\xCF\xDF\xB3\xCC"); // 开始自动补打会话线程

// The start is logged first and then marked in the state file.
bool WaitForStartMarked()
{
    return WaitFor([] {
        return ReadFile(TodaysLog()).contains(kProgramOpened)
            && ReadSysValue(QStringLiteral("System"), QStringLiteral("Action")) == QStringLiteral("Start");
    }, 15000);
}

} // namespace

TEST(Program, FirstStartInAnEmptyFolderPreparesItAndLogsTheStart)
{
    const ProgramFolder folder(ProgramFolder::Config::Omit);
    Program program;
    ASSERT_TRUE(WaitForStartMarked());

    for (const char *path : {"Config", "Config/LOG", "Pic_B", "Pic_P", "Pic_R", "Pic_S", "TempPicture",
                             "CombinationTempPicture", "CombinationAddPrint"})
        EXPECT_TRUE(fs::is_directory(path)) << path;
    EXPECT_FALSE(fs::exists("Pic_T"));
    EXPECT_EQ(ReadFile(QStringLiteral("Config/LOG/Sys.ini")), QByteArray("[System]\r\nAction=Start\r\n"));

    // One section per entry, named by the unpadded time, key "Code".
    const QByteArray log = ReadFile(TodaysLog());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\[\\d{4,9}\\]\r\nCode=")).match(QString::fromLatin1(log)).hasMatch())
        << log.toStdString();
}

// A run from a terminal without any display: the answer comes and the
// process ends, where a window could never open.
TEST(Program, VersionAndHelpAnswerWithoutADisplay)
{
    const struct {
        const char *argument;
        const char *answer;
    } cases[] = {{"--version", "vellora " VELLORA_VERSION "\n"}, {"--help", "--home-folder"}, {"-h", "Usage: vellora"}};
    for (const auto &c : cases) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(variable));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VELLORA_BINARY), {QString::fromLatin1(c.argument)});
        ASSERT_TRUE(process.waitForFinished(5000)) << c.argument;
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << c.argument;
        EXPECT_EQ(process.exitCode(), 0) << c.argument;
        EXPECT_TRUE(process.readAllStandardOutput().contains(c.answer)) << c.argument;
    }
}

// The launcher's start runs in Vellora under the home folder, made on first
// start, and leaves the folder it was started from alone; a home folder
// that cannot hold it ends the start with the reason.
TEST(Program, LauncherStartRunsInTheProgramFolderUnderTheHomeFolder)
{
    const ProgramFolder startedFrom(ProgramFolder::Config::Omit);
    QTemporaryDir home;
    const QString homeFolder = home.path() + QStringLiteral("/Vellora");
    Program program({QStringLiteral("HOME=") + home.path()}, {QStringLiteral("--home-folder")});
    ASSERT_TRUE(WaitFor([&] {
        return ReadFile(homeFolder + QStringLiteral("/Config/LOG/Sys.ini")).contains("Action=Start");
    }, 15000));
    EXPECT_TRUE(fs::is_directory((homeFolder + QStringLiteral("/Pic_P")).toStdString()));
    EXPECT_FALSE(fs::exists("Config"));
    program.Kill();

    QFile notAFolder(home.filePath(QStringLiteral("file")));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    QProcess refused;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), notAFolder.fileName());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    refused.setProcessEnvironment(env);
    refused.start(QStringLiteral(VELLORA_BINARY), {QStringLiteral("--home-folder")});
    ASSERT_TRUE(refused.waitForFinished(5000));
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_TRUE(refused.readAllStandardError().contains("cannot use the program folder"));
}

TEST(Program, KilledProgramRecoversOnceAtItsTwelfthTick)
{
    const ProgramFolder folder;
    {
        Program first;
        ASSERT_TRUE(WaitForStartMarked());
    } // killed

    QElapsedTimer sinceStart;
    sinceStart.start();
    Program second;
    ASSERT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).contains(kRecoveryFinished); }, 30000));
    EXPECT_GE(sinceStart.elapsed(), 11000);

    QTest::qWait(4000);
    EXPECT_EQ(ReadFile(TodaysLog()).count(kRecoveryFinished), 1);
}

// An event under way on one printer: photo 1234 printed once on Photo-A
// today, the face-counting tool writing to "info", and a state file that
// says the last run was killed with automatic printing (and, when asked,
// automatic reprint) on and a printer chosen.
void PrepareEventKilled(bool automaticReprintOn)
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    fs::create_directories("Config/LOG");
    fs::create_directories("Pic_R");
    fs::create_directories("info");
    QImage photo(60, 40, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    ASSERT_TRUE(photo.save(QStringLiteral("Pic_R/1234.jpg")));
    ASSERT_TRUE(Utf16File::WriteText(("Config/" + today + ".vellora").toStdString(), u"1234:1;\n"));
    ASSERT_TRUE(Utf16File::WriteText(("Config/" + today + "PT.vellora").toStdString(), u"Photo-A:1;\n"));
    ASSERT_TRUE(Utf16File::WriteText("Config/AutoAddPrintInfo.vellora", u"info\n0\n0\n-1"));
    for (const char *key : {"Action", "AutoPrint"})
        WriteSysValue(QStringLiteral("System"), QString::fromUtf8(key), QStringLiteral("Start"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("AutoAddPrint"),
                  automaticReprintOn ? QStringLiteral("Start") : QStringLiteral("Stop"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("ChoosePrinter"), QStringLiteral("True"));
}

// Killed while automatic reprint runs, the program comes back, recovery
// starts automatic reprint again, and the tool's info file becomes a
// reprint job at the spooler.
TEST(Program, KilledWithAutomaticReprintOnResumesItAndPrintsTheToolsInfoFile)
{
    const ProgramFolder folder;
    PrivateCups cups;
    ASSERT_TRUE(cups.Start());
    ASSERT_TRUE(cups.AddQueue(QStringLiteral("Photo-A")));
    PrepareEventKilled(true);
    const QStringList environment = OnPrivateCups(cups.Server());
    {
        Program first(environment);
        ASSERT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).contains(kAutoReprintStarted); }, 30000));
    } // killed while automatic reprint runs
    EXPECT_EQ(ReadSysValue(QStringLiteral("System"), QStringLiteral("AutoAddPrint")), QStringLiteral("Start"));
    ASSERT_TRUE(cups.ReceivedJobs().empty());
    ASSERT_TRUE(Utf16File::WriteText("info/1234.vellora", u"2"));

    Program second(environment);
    ASSERT_TRUE(cups.WaitForReceived(1, std::chrono::seconds(60)));
    const PrivateCups::ReceivedJob job = cups.ReceivedJobs().front();
    EXPECT_EQ(job.printer, QStringLiteral("Photo-A"));
    EXPECT_EQ(job.title, QStringLiteral("1234"));
    EXPECT_EQ(job.copies, 2);
    EXPECT_FALSE(fs::exists("info/1234.vellora"));
    EXPECT_EQ(ReadFile(TodaysLog()).count(kAutoReprintStarted), 2);
}

// Crash recovery restarts automatic reprint while the face-counting tool is
// not running: its "请打开 Zendrik 软件" notice shows without holding the
// window's one-second timer, so ten waiting photos all print while nobody
// presses OK (a box that waited there stopped the printer refresh after the
// first photo).
TEST(Program, RecoveryNoticeOfAMissingCompanionDoesNotStopPrinting)
{
    const ProgramFolder folder;
    PrivateCups cups;
    ASSERT_TRUE(cups.Start());
    ASSERT_TRUE(cups.AddQueue(QStringLiteral("Photo-A")));
    PrepareEventKilled(true);
    fs::create_directories("Pic_P");
    for (int i = 0; i < 10; ++i) {
        QImage photo(60, 40, QImage::Format_RGB32);
        photo.fill(Qt::darkBlue);
        ASSERT_TRUE(photo.save(QStringLiteral("Pic_P/30%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
    }
    Program program(OnPrivateCups(cups.Server()));
    // Twelve seconds to recovery, then one photo per four-second print cycle.
    EXPECT_TRUE(cups.WaitForReceived(10, std::chrono::seconds(90))) << cups.ReceivedJobs().size();
}

// Killed just after a combination print of three copies went out once: the
// program comes back, recovery resumes the combination reprint session with
// automatic printing, and the two extra copies reach the spooler.
TEST(Program, KilledAfterACombinationPrintResumesItsExtraCopies)
{
    const ProgramFolder folder;
    PrivateCups cups;
    ASSERT_TRUE(cups.Start());
    ASSERT_TRUE(cups.AddQueue(QStringLiteral("Photo-A")));
    PrepareEventKilled(false);
    fs::create_directories("CombinationAddPrint");
    ASSERT_TRUE(Utf16File::WriteText("CombinationAddPrint/1234.vellora", u"2\n"));

    Program program(OnPrivateCups(cups.Server()));
    ASSERT_TRUE(cups.WaitForReceived(1, std::chrono::seconds(60)));
    const PrivateCups::ReceivedJob job = cups.ReceivedJobs().front();
    EXPECT_EQ(job.title, QStringLiteral("1234"));
    EXPECT_EQ(job.copies, 2);
    EXPECT_FALSE(fs::exists("CombinationAddPrint/1234.vellora"));
}

namespace {

// The processes whose command line mentions `text`.
std::vector<int> ProcessesMentioning(const QString &program, const QString &text)
{
    std::vector<int> found;
    for (const auto &entry : fs::directory_iterator("/proc")) {
        bool numeric = false;
        const int pid = QString::fromStdString(entry.path().filename().string()).toInt(&numeric);
        if (!numeric)
            continue;
        const QByteArray commandLine = ReadFile(QString::fromStdString((entry.path() / "cmdline").string()));
        if (commandLine.startsWith(program.toUtf8()) && commandLine.contains(text.toUtf8()))
            found.push_back(pid);
    }
    return found;
}

std::vector<fs::path> PrintedPages()
{
    std::vector<fs::path> pages;
    if (fs::is_directory("printed")) {
        for (const auto &entry : fs::directory_iterator("printed"))
            if (entry.path().extension() == ".jpg")
                pages.push_back(entry.path());
    }
    return pages;
}

bool Near(QRgb pixel, QColor expected, int tolerance = 24)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance && std::abs(qGreen(pixel) - expected.green()) <= tolerance
        && std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// Share of the pixels in `area` (fractions of the picture) that satisfy `test`.
double Share(const QImage &page, QRectF area, const std::function<bool(QRgb)> &test)
{
    const QRect pixels(int(area.left() * page.width()), int(area.top() * page.height()), int(area.width() * page.width()),
                       int(area.height() * page.height()));
    int hits = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); y += 2)
        for (int x = pixels.left(); x <= pixels.right(); x += 2)
            hits += test(page.pixel(x, y)) ? 1 : 0;
    return hits / (pixels.width() / 2.0 * pixels.height() / 2.0);
}

const QColor kDemoFrame(0, 105, 120);

// A demo page: the frame's colour all round, a photo in the window and, in
// the band under it, a white label with dark text. A page turned for the
// printer's portrait paper is turned back either way.
bool ShowsFrameAndLabel(const QImage &printed)
{
    std::vector<QImage> views{printed};
    if (printed.height() > printed.width())
        views = {printed.transformed(QTransform().rotate(90)), printed.transformed(QTransform().rotate(-90))};
    for (const QImage &page : views) {
        const bool frame = Share(page, {0.0, 0.0, 1.0, 0.02}, [](QRgb p) { return Near(p, kDemoFrame); }) > 0.95
            && Share(page, {0.0, 0.95, 1.0, 0.05}, [](QRgb p) { return Near(p, kDemoFrame); }) > 0.95;
        const bool photo = Share(page, {0.2, 0.2, 0.6, 0.5}, [](QRgb p) { return Near(p, kDemoFrame, 40); }) < 0.05;
        const QRectF label(0.035, 0.875, 0.15, 0.075);
        const bool labelShown = Share(page, label, [](QRgb p) { return qGray(p) > 235; }) > 0.3
            && Share(page, label, [](QRgb p) { return qGray(p) < 80; }) > 0.03;
        if (frame && photo && labelShown)
            return true;
    }
    return false;
}

} // namespace

// The demo in an empty folder: its own spooler, two printers chosen and
// automatic printing started by itself, sample photos arriving; their pages
// land in printed/ with frame and label. Killing the program ends the
// spooler, and the spooler lives in the folder only.
TEST(Program, DemoPrintsArrivingPhotosIntoItsFolderAndItsSpoolerEndsWithIt)
{
    const ProgramFolder folder(ProgramFolder::Config::Omit);
    const QString here = QString::fromStdString(folder.Path().string());
    const auto systemQueues = fs::exists("/etc/cups/printers.conf") ? fs::last_write_time("/etc/cups/printers.conf")
                                                                     : fs::file_time_type();
    Program program({}, {QStringLiteral("--demo")});

    ASSERT_TRUE(WaitFor([] { return PrintedPages().size() >= 3; }, 120000));
    for (const fs::path &page : PrintedPages()) {
        const QImage printed(QString::fromStdString(page.string()));
        EXPECT_TRUE(ShowsFrameAndLabel(printed)) << page;
    }
    const std::vector<int> daemons = ProcessesMentioning(QStringLiteral("/usr/sbin/cupsd"), here);
    ASSERT_EQ(daemons.size(), 1u);

    program.Kill();
    EXPECT_TRUE(WaitFor([&] { return ProcessesMentioning(QStringLiteral("/usr/sbin/cupsd"), here).empty(); }, 15000));
    EXPECT_TRUE(fs::exists("cups/cups.sock") || fs::exists("cups/etc/printers.conf"));
    EXPECT_EQ(fs::exists("/etc/cups/printers.conf") ? fs::last_write_time("/etc/cups/printers.conf") : fs::file_time_type(),
              systemQueues);
}

// One program per program folder: a second start in the same folder is
// refused with its message while the first runs, and works at once after
// the first was killed with SIGKILL (the system drops the lock with it).
TEST(Program, SecondStartInTheSameFolderIsRefusedUntilTheFirstIsKilled)
{
    const ProgramFolder folder;
    Program first;
    ASSERT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).contains(kProgramOpened); }, 15000));

    Program second;
    ASSERT_TRUE(second.Ended(15000));
    EXPECT_FALSE(second.Crashed());
    EXPECT_EQ(second.ExitCode(), 2);
    const QString message = QString::fromUtf8(second.Output());
    EXPECT_TRUE(message.contains(QStringLiteral("Vellora 已在此程序目录中运行（进程 %1）").arg(first.Pid())))
        << message.toStdString();
    EXPECT_EQ(ReadFile(TodaysLog()).count(kProgramOpened), 1);

    first.Kill();
    Program third;
    EXPECT_TRUE(WaitFor([] { return ReadFile(TodaysLog()).count(kProgramOpened) == 2; }, 15000));
    EXPECT_FALSE(third.Ended(2000));
}
