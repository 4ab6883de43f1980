#include "tests/intake/PrintingWindow.h"
#include "tests/phone/WebBrowser.h"

#include "compose/PictureNumber.h"
#include "desk/ProcessState.h"
#include "intake/ReprintRecords.h"
#include "phone/OrderBook.h"
#include "phone/PhoneServer.h"
#include "phone/PhoneSettings.h"
#include "phone/PrintedPhotos.h"
#include "phone/ui/PhoneWindow.h"
#include "platform/Clock.h"
#include "platform/CompanionListener.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "settings/SystemSettings.h"
#include "tests/support/Eventually.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The desk over a private CUPS daemon and the phone companion beside it, in
// one program folder, with photos printed earlier today.
class PhoneOrderPrinting : public PrintingWindow
{
protected:
    void SetUp() override
    {
        // Companion sockets lie in the temporary folder: this test's own.
        m_tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(m_folder.Path().string()));
        PrintingWindow::SetUp();
        const QDateTime noon(QDate(2024, 3, 5), QTime(12, 0));
        Clock::Fix([noon] { return noon; });
        fs::create_directories("Pic_R");
        fs::create_directories("phone");
        SystemSettings::SavePhoneReprintFolder(QStringLiteral("phone"));
    }

    void TearDown() override
    {
        PrintingWindow::TearDown();
        Clock::Reset();
        if (m_tmpdir.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_tmpdir);
    }

    static void PutPrinted(const QString &name, int number)
    {
        QImage photo(900, 600, QImage::Format_RGB32);
        QPainter painter(&photo);
        QLinearGradient sky(0, 0, 900, 600);
        sky.setColorAt(0, QColor(40, 110, 150));
        sky.setColorAt(1, QColor(230, 170, 90));
        painter.fillRect(photo.rect(), sky);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("Liberation Sans"), 48));
        painter.drawText(photo.rect().adjusted(0, 0, 0, -30), Qt::AlignHCenter | Qt::AlignBottom, name);
        painter.end();
        ASSERT_TRUE(photo.save(QStringLiteral("Pic_R/%1.jpg").arg(name), "JPG"));
        RecordPictureNumber(name, number);
        ASSERT_TRUE(Utf16File::AppendLine(PrintRecordFile(TodayStamp()), CountLine(name, 1)));
    }

    // What a phone's camera reads from the QR code in the companion's window.
    static QString ReadQrCode(const QLabel *code)
    {
        const QString file = QDir::current().filePath(QStringLiteral("qr.png"));
        code->pixmap().save(file, "PNG");
        QProcess reader;
        reader.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), file});
        if (!reader.waitForFinished(10000))
            return {};
        return QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
    }

    QStringList Jobs() const
    {
        QStringList jobs;
        for (const PrivateCups::ReceivedJob &job : m_cups.ReceivedJobs())
            jobs.append(QStringLiteral("%1x%2").arg(job.title).arg(job.copies));
        return jobs;
    }

    QByteArray m_tmpdir;
};

} // namespace

TEST_F(PhoneOrderPrinting, AGuestOrdersThreeCopiesOnThePhoneAndTheDeskPrintsThem)
{
    PutPrinted(QStringLiteral("0007"), 7);
    PutPrinted(QStringLiteral("0012"), 12);

    // The companion, as its program starts it.
    PrintedPhotos photos;
    OrderBook orders([] { return SystemSettings::PhoneReprintFolder(); });
    const QString key = MakeEventKey();
    PhoneServer server(key, photos, orders);
    ASSERT_TRUE(server.Start(0));
    PhoneWindow companion(orders, server, PhonePageAddress(QStringLiteral("127.0.0.1"), server.Port(), key));
    CompanionListener desk;
    QObject::connect(&desk, &CompanionListener::Received, &companion,
                     [&companion](const CopyDataMessage &) { companion.ShowDeskMessage(QStringLiteral("已开启手机补打")); });
    ASSERT_TRUE(desk.Listen(companion.windowTitle()));
    companion.show();

    OpenWindow();
    ASSERT_EVENTUALLY(PrintedListReady && Queue().Printed().RowCount() == 2, 15000);
    CheckPrinter(0);
    Page().StartButton()->click();
    ASSERT_TRUE(AutoPrintRunning);

    // The guest scans the QR code and finds the photo by its number.
    const QString address = ReadQrCode(companion.findChild<QLabel *>(QStringLiteral("qrCode")));
    ASSERT_EQ(address, companion.AddressLabel()->text());
    WebBrowser phone;
    ASSERT_TRUE(phone.Start(390, 844)) << "chromium and chromium-driver are installed (scripts/install-packages test)";
    phone.Open(address);
    phone.Type(phone.Find(QStringLiteral("#q")), QStringLiteral("0007"));
    phone.Click(phone.Find(QStringLiteral("#find")));
    const QString found = phone.Find(QStringLiteral("#found"));
    ASSERT_EVENTUALLY(phone.Displayed(found), 5000);
    ASSERT_EVENTUALLY(phone.Find(QStringLiteral("#photo[src*='0007']")).size() > 0, 5000);
    const QString more = phone.Find(QStringLiteral("#more"));
    phone.Click(more);
    phone.Click(more);
    EXPECT_EQ(phone.Text(phone.Find(QStringLiteral("#copies"))), QStringLiteral("3"));
    phone.Click(phone.Find(QStringLiteral("#order")));
    const QString message = phone.Find(QStringLiteral("#message"));
    ASSERT_EVENTUALLY(phone.Text(message).startsWith(QStringLiteral("已收到您的订单")), 5000);
    EXPECT_EQ(phone.Text(message), QStringLiteral("已收到您的订单：照片 0007，3 份"));
    if (const QByteArray folder = qgetenv("VELLORA_SCREENSHOTS"); !folder.isEmpty()) {
        QFile shot(QString::fromUtf8(folder) + QStringLiteral("/phone-page.png"));
        ASSERT_TRUE(shot.open(QIODevice::WriteOnly));
        shot.write(phone.Screenshot());
    }

    // Its info file holds 3 for the photo 0007.
    const QStringList files = QDir(QStringLiteral("phone")).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(PictureNumberKey(files[0]), QStringLiteral("0007"));
    EXPECT_EQ(ReadInfoCount(fs::path("phone") / files[0].toStdString()), 3);
    ASSERT_EVENTUALLY_EQ(companion.OrderTable()->rowCount(), 1, 5000);

    // The operator turns phone reprint on: the companion hears of it, and the
    // desk prints the three copies.
    Page().PhoneReprintBox()->click();
    ASSERT_EVENTUALLY(companion.DeskLine()->text().contains(QStringLiteral("已开启手机补打")), 5000);
    ASSERT_EVENTUALLY_EQ(Jobs(), QStringList({QStringLiteral("0007x3")}), 40000);
    EXPECT_TRUE(QDir(QStringLiteral("phone")).isEmpty());

    // The guest's page and the companion's list both say it is queued.
    ASSERT_EVENTUALLY_EQ(phone.Text(message), QStringLiteral("照片 0007 的 3 份已加入打印队列"), 10000);
    ASSERT_EVENTUALLY_EQ(companion.OrderTable()->item(0, 3)->text(), QStringLiteral("已加入补打队列"), 5000);
    Page().PhoneReprintBox()->click();
}
