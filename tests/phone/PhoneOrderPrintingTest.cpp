#include "tests/phone/PhoneDesk.h"
#include "tests/phone/WebBrowser.h"

#include "compose/PictureNumber.h"
#include "desk/ProcessState.h"
#include "intake/ReprintRecords.h"
#include "phone/OrderBook.h"
#include "phone/PhoneServer.h"
#include "phone/PhoneSettings.h"
#include "phone/PrintedPhotos.h"
#include "phone/ui/PhoneWindow.h"
#include "platform/CompanionListener.h"
#include "settings/SystemSettings.h"
#include "tests/support/Eventually.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The desk and the companion, as a guest's order finds them.
class PhoneOrderPrinting : public PhoneDesk
{
protected:
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
