// The operator's first hour with real hands: the program on an X server with
// a window manager, driven only by pointer and key events (XTest), as a
// person at the desk would drive it.
#include "platform/Profile.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/XDesk.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

using Entry = WidgetMapFile::Entry;

// Longer than Qt's double-click interval (400 ms).
constexpr int kSeparateClicksMs = 900;

// Waits until the map shows what `find` looks for.
std::optional<Entry> WaitForEntry(const std::function<std::optional<Entry>()> &find, int timeoutMs = 20000)
{
    std::optional<Entry> found;
    (void)QTest::qWaitFor([&] { return (found = find()).has_value(); }, timeoutMs);
    return found;
}

// Waits until the map shows it at the same place twice, half a second apart:
// a list still filling (a file dialog reading its folder) moves its rows.
std::optional<Entry> WaitForSettled(const std::function<std::optional<Entry>()> &find, int timeoutMs = 20000)
{
    std::optional<Entry> settled;
    (void)QTest::qWaitFor([&] {
        const auto before = find();
        if (!before)
            return false;
        QTest::qWait(500);
        const auto after = find();
        if (after && after->rect == before->rect && after->text == before->text)
            settled = after;
        return settled.has_value();
    }, timeoutMs);
    return settled;
}

// A frame in a colour with a window for the photo.
void WriteFrameTemplate(const fs::path &path)
{
    QImage frame(1800, 1200, QImage::Format_ARGB32);
    frame.fill(QColor(120, 30, 60));
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(QRect(100, 100, 1600, 900), Qt::transparent);
    painter.end();
    ASSERT_TRUE(frame.save(QString::fromStdString(path.string())));
}

void DropPhoto(const fs::path &folder, const QString &name)
{
    QImage photo(1200, 800, QImage::Format_RGB32);
    photo.fill(QColor(60, 140, 200));
    const QString part = QString::fromStdString((folder / ".arriving.part").string());
    ASSERT_TRUE(photo.save(part, "JPG"));
    fs::rename(part.toStdString(), folder / name.toStdString());
}

class OperatorDesk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!m_desk.Start())
            GTEST_SKIP() << "no X desktop for real input events: " << m_desk.Failure().toStdString();
        ASSERT_TRUE(m_cups.Start());
        ASSERT_TRUE(m_cups.AddQueue(QStringLiteral("Photo-A")));
    }

    void StartProgram()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), m_desk.Display());
        environment.insert(QStringLiteral("CUPS_SERVER"), m_cups.Server());
        environment.insert(QStringLiteral("VELLORA_PAUSE_SCALE"), QStringLiteral("0.05"));
        environment.insert(QStringLiteral("VELLORA_WIDGET_MAP"), m_map.Path());
        m_program.setProcessEnvironment(environment);
        m_program.setWorkingDirectory(QString::fromStdString(fs::current_path().string()));
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(QStringLiteral(VELLORA_BINARY), {});
        ASSERT_TRUE(m_program.waitForStarted());
    }

    void TearDown() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }

    // The printer row's check box as the map shows it, once its state is `state`.
    std::optional<Entry> PrinterBox(int state)
    {
        return WaitForEntry([&]() -> std::optional<Entry> {
            const auto name = m_map.Item(QStringLiteral("printerList"), QStringLiteral("Photo-A"));
            if (!name)
                return std::nullopt;
            const auto box = m_map.CheckBox(QStringLiteral("printerList"), name->row);
            return box && box->checkState == state ? box : std::nullopt;
        }, 10000);
    }

    // A name in the file dialog's list, in either of its views.
    std::optional<Entry> DialogFile(const QString &name)
    {
        for (const char *view : {"treeView", "listView"})
            if (auto found = m_map.Item(QString::fromLatin1(view), name); found && found->column == 0)
                return found;
        return std::nullopt;
    }

    const ProgramFolder m_folder;
    XDesk m_desk;
    PrivateCups m_cups;
    WidgetMapFile m_map{QString::fromStdString((fs::current_path() / "widgets.map").string())};
    QProcess m_program;
};

TEST_F(OperatorDesk, FirstHourByMouseAndKeyboard)
{
    const fs::path photos = fs::absolute("photos");
    fs::create_directories(photos);
    fs::create_directories("templates");
    WriteFrameTemplate("templates/frame.png");
    // The source folder is set up; the rest is the operator's.
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"),
                   QString::fromStdString(photos.string()));
    StartProgram();

    // The printer: a click on its check box ticks it, a second unticks it,
    // a third ticks it for the event.
    auto box = WaitForEntry([&] {
        const auto paper = m_map.Cell(QStringLiteral("printerList"), 0, 5);
        return paper && !paper->text.isEmpty() ? m_map.CheckBox(QStringLiteral("printerList"), 0) : std::nullopt;
    }, 30000);
    ASSERT_TRUE(box) << "the printer list never showed Photo-A with its paper";
    ASSERT_EQ(box->checkState, Qt::Unchecked);
    // Clicks on one spot come further apart than a double click's interval,
    // as a person's separate clicks do.
    const auto separateClick = [&] {
        QTest::qWait(kSeparateClicksMs);
        m_desk.Click(box->Centre());
    };
    separateClick();
    ASSERT_TRUE(PrinterBox(Qt::Checked)) << "a click on the check box did not tick it";
    separateClick();
    ASSERT_TRUE(PrinterBox(Qt::Unchecked)) << "a second click on the check box did not untick it";
    separateClick();
    ASSERT_TRUE(PrinterBox(Qt::Checked));

    // The frame template through the file dialog: into the folder, click the PNG, "打开".
    const auto chooseFrame = WaitForEntry([&] { return m_map.Widget(QStringLiteral("chooseFrame")); });
    ASSERT_TRUE(chooseFrame);
    m_desk.Click(chooseFrame->Centre());
    const auto folder = WaitForSettled([&] { return DialogFile(QStringLiteral("templates")); });
    ASSERT_TRUE(folder) << "the file dialog does not list the templates folder";
    const auto lookIn = m_map.WidgetWithText(QStringLiteral("QLabel"), QStringLiteral("查找范围"));
    EXPECT_TRUE(lookIn) << "the file dialog's labels are not in Chinese";
    m_desk.DoubleClick(folder->Centre());
    const auto frame = WaitForSettled([&] { return DialogFile(QStringLiteral("frame.png")); });
    ASSERT_TRUE(frame) << "the file dialog does not list the PNG template";
    m_desk.Click(frame->Centre());
    const auto open = WaitForEntry([&] { return m_map.WidgetWithText(QStringLiteral("QPushButton"), QStringLiteral("打开")); });
    ASSERT_TRUE(open) << "the file dialog's button does not say 打开";
    m_desk.Click(open->Centre());
    ASSERT_TRUE(WaitForEntry([&]() -> std::optional<Entry> {
        const auto field = m_map.Widget(QStringLiteral("frameFile"));
        return field && field->text.endsWith(QStringLiteral("templates/frame.png")) ? field : std::nullopt;
    })) << "the chosen template did not reach the field";

    // The paper size, typed.
    for (const auto &[name, millimetres] : {std::pair{"paperWidth", "152"}, std::pair{"paperHeight", "102"}}) {
        const auto field = m_map.Widget(QString::fromLatin1(name));
        ASSERT_TRUE(field);
        m_desk.Click(field->Centre());
        m_desk.Key(QStringLiteral("ctrl+a"));
        m_desk.Type(QString::fromLatin1(millimetres));
        m_desk.Key(QStringLiteral("Tab"));
    }

    // "开始", then a photo arrives and prints.
    const auto start = m_map.Widget(QStringLiteral("start"));
    ASSERT_TRUE(start);
    m_desk.Click(start->Centre());
    DropPhoto(photos, QStringLiteral("IMG_0001.jpg"));
    ASSERT_TRUE(m_cups.WaitForReceived(1, std::chrono::seconds(90))) << "the photo did not reach the spooler";
    EXPECT_EQ(m_cups.ReceivedJobs().front().printer, QStringLiteral("Photo-A"));

    // The reprint: click the printed photo, type the quantity, Enter.
    const auto printed = WaitForSettled([&] { return m_map.Cell(QStringLiteral("printedList"), 0, 2); }, 30000);
    ASSERT_TRUE(printed) << "the printed list never showed the photo";
    m_desk.Click(printed->Centre());
    // The click chooses the photo and puts the keyboard into the quantity field.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_map.Focus() == QLatin1String("reprintCount"); }, 10000))
        << "the quantity field did not take the keyboard after the click";
    m_desk.Key(QStringLiteral("ctrl+a"));
    m_desk.Type(QStringLiteral("2"));
    m_desk.Key(QStringLiteral("Return"));
    ASSERT_TRUE(m_cups.WaitForReceived(2, std::chrono::seconds(90))) << "the reprint did not reach the spooler";
    EXPECT_EQ(m_cups.ReceivedJobs().back().copies, 2);

    // Closing: the window manager's close, the question, "是".
    m_desk.Key(QStringLiteral("alt+F4"));
    const auto yes = WaitForEntry([&] { return m_map.WidgetWithText(QStringLiteral("QPushButton"), QStringLiteral("是")); });
    ASSERT_TRUE(yes) << "no close question with a Chinese 是";
    m_desk.Click(yes->Centre());
    ASSERT_TRUE(m_program.waitForFinished(20000)) << "the program did not end after 是";
}

} // namespace
