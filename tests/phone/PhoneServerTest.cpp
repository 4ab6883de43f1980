#include "tests/phone/HttpProbe.h"
#include "tests/phone/PhoneEvent.h"

#include "compose/PictureNumber.h"
#include "intake/ReprintRecords.h"
#include "phone/PhoneSettings.h"
#include "platform/Utf16File.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>

namespace {

QJsonObject Json(const HttpAnswer &answer)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(answer.body)).object();
}

std::string OrderBody(const std::string &name, const std::string &copies, const std::string &token)
{
    return "name=" + UrlEncode(name) + "&copies=" + UrlEncode(copies) + "&token=" + token;
}

std::string Token(int n)
{
    return "order" + std::string(11 - std::to_string(n).size(), '0') + std::to_string(n);
}

class PhoneServerTest : public PhoneEvent
{
protected:
    HttpAnswer Get(const std::string &target, const std::string &from = "127.0.0.1")
    {
        return HttpRequest(from, m_server->Port(), "GET", target);
    }
    HttpAnswer Post(const std::string &target, const std::string &body, const std::string &from = "127.0.0.1")
    {
        return HttpRequest(from, m_server->Port(), "POST", target, body);
    }
};

} // namespace

TEST_F(PhoneServerTest, RefusalsWriteNothingAndTheServerGoesOnAnswering)
{
    PutPhoto(QStringLiteral("0007"), 400, 300);
    PutPhoto(QStringLiteral("0099"), 400, 300, false); // in Pic_R, not in today's record
    const std::string otherKey = MakeEventKey().toStdString();
    const std::string order7 = OrderBody("0007", "3", Token(1));

    struct Row
    {
        const char *what;
        std::string method;
        std::string target;
        std::string body;
        int status;
    };
    const Row rows[] = {
        {"no key", "GET", "/", "", 403},
        {"no key, an order", "POST", "/order", order7, 403},
        {"a wrong key", "GET", "/" + otherKey + "/find?q=0007", "", 403},
        {"a wrong key, an order", "POST", "/" + otherKey + "/order", order7, 403},
        {"the key without its slash", "GET", "/" + m_key.toStdString(), "", 403},
        {"a path beside the page", "GET", At("../Config/20240305.vellora"), "", 404},
        {"a name with ../ to find", "GET", At("find?q=" + UrlEncode("../Pic_R/0007")), "", 404},
        {"a name with ../ to see", "GET", At("photo?name=" + UrlEncode("../Pic_R/0007.jpg")), "", 404},
        {"a name with ../ to order", "POST", At("order"), OrderBody("../0007", "3", Token(2)), 404},
        {"a photo not printed", "POST", At("order"), OrderBody("0099", "1", Token(3)), 404},
        {"a photo not printed, its picture", "GET", At("photo?name=0099"), "", 404},
        {"0 copies", "POST", At("order"), OrderBody("0007", "0", Token(4)), 400},
        {"1000 copies", "POST", At("order"), OrderBody("0007", "1000", Token(5)), 400},
        {"a copy count with letters", "POST", At("order"), OrderBody("0007", "3x", Token(6)), 400},
        {"no token", "POST", At("order"), OrderBody("0007", "3", ""), 400},
        {"a 10 MB body", "POST", At("order"), order7 + "&pad=" + std::string(10 * 1024 * 1024, 'a'), 413},
        {"the gallery while it is off", "GET", At("gallery"), "", 404},
    };
    int client = 10;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const std::string from = "127.0.0." + std::to_string(client++);
        EXPECT_EQ(HttpRequest(from, m_server->Port(), row.method, row.target, row.body).status, row.status);
        EXPECT_TRUE(OrderFiles().isEmpty());
        EXPECT_EQ(Get(At("find?q=0007"), from).status, 200) << "the server still answers";
    }
    // Refused orders tell the guest why, in words.
    EXPECT_FALSE(Json(Post(At("order"), OrderBody("0099", "1", Token(7)), "127.0.0.40"))
                     .value(QStringLiteral("message")).toString().isEmpty());

    // 100 orders within a second from one phone: the first few are taken,
    // the rest refused, and other phones are served all the while.
    int taken = 0;
    int refused = 0;
    for (int n = 0; n < 100; ++n) {
        const int status = Post(At("order"), OrderBody("0007", "1", Token(100 + n)), "127.0.0.50").status;
        taken += status == 200;
        refused += status == 429;
    }
    EXPECT_EQ(taken, PhoneServer::Limits{}.ordersPerMinute);
    EXPECT_EQ(refused, 100 - taken);
    EXPECT_EQ(OrderFiles().size(), taken);
    EXPECT_EQ(Post(At("order"), OrderBody("0007", "2", Token(300)), "127.0.0.51").status, 200);
}

TEST_F(PhoneServerTest, AnOrderIsWrittenOnceAndTurnsQueuedWhenTheDeskTakesIt)
{
    PutPhoto(QStringLiteral("0007"), 400, 300);
    const QJsonObject first = Json(Post(At("order"), OrderBody("0007", "3", Token(1))));
    ASSERT_EQ(first.value(QStringLiteral("state")).toString(), QStringLiteral("taken"));
    const QString id = first.value(QStringLiteral("id")).toString();
    const QString file = QStringLiteral("0007.%1.vellora").arg(id);
    ASSERT_EQ(OrderFiles(), QStringList({file}));
    // As the desk reads it: the photo's name before the first ".", the number on the last line.
    EXPECT_EQ(PictureNumberKey(file), QStringLiteral("0007"));
    EXPECT_EQ(ReadInfoCount(std::filesystem::path("phone") / file.toStdString()), 3);
    EXPECT_EQ(Utf16File::ReadText(std::filesystem::path("phone") / file.toStdString()), QStringLiteral("3"));

    // The page resends an order whose answer got lost: it is the same order.
    EXPECT_EQ(Json(Post(At("order"), OrderBody("0007", "3", Token(1)))).value(QStringLiteral("id")).toString(), id);
    EXPECT_EQ(OrderFiles(), QStringList({file}));
    // Another order of the same photo gets a file of its own.
    const QString second = Json(Post(At("order"), OrderBody("0007", "2", Token(2)))).value(QStringLiteral("id")).toString();
    EXPECT_NE(second, id);
    EXPECT_EQ(OrderFiles().size(), 2);

    EXPECT_EQ(Json(Get(At("status?id=" + id.toStdString()))).value(QStringLiteral("state")).toString(),
              QStringLiteral("taken"));
    std::filesystem::remove(std::filesystem::path("phone") / file.toStdString()); // the desk applied it
    EXPECT_EQ(Json(Get(At("status?id=" + id.toStdString()))).value(QStringLiteral("state")).toString(),
              QStringLiteral("queued"));
    EXPECT_EQ(Json(Get(At("status?id=" + second.toStdString()))).value(QStringLiteral("state")).toString(),
              QStringLiteral("taken"));
    EXPECT_EQ(Get(At("status?id=000000000000")).status, 404);
}

TEST_F(PhoneServerTest, ARestartedCompanionStillFollowsTheOrdersLeftWaiting)
{
    PutPhoto(QStringLiteral("0007"), 400, 300);
    const QString waiting = Json(Post(At("order"), OrderBody("0007", "3", Token(1)))).value(QStringLiteral("id")).toString();
    const QString taken = Json(Post(At("order"), OrderBody("0007", "1", Token(2)))).value(QStringLiteral("id")).toString();
    std::filesystem::remove(std::filesystem::path("phone") / QStringLiteral("0007.%1.vellora").arg(taken).toStdString());
    Utf16File::WriteText("phone/0042.vellora", QStringLiteral("2")); // not one of this program's files

    m_server.reset();
    m_orders = std::make_unique<OrderBook>([] { return QStringLiteral("phone"); });
    m_orders->Resume();
    m_server = std::make_unique<PhoneServer>(m_key, m_photos, *m_orders);
    ASSERT_TRUE(m_server->Start(0));

    const std::vector<OrderBook::Order> orders = m_orders->Orders();
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].id, waiting);
    EXPECT_EQ(orders[0].name, QStringLiteral("0007"));
    EXPECT_EQ(orders[0].copies, 3);
    std::filesystem::remove(std::filesystem::path("phone") / QStringLiteral("0007.%1.vellora").arg(waiting).toStdString());
    EXPECT_EQ(Json(Get(At("status?id=" + waiting.toStdString()))).value(QStringLiteral("state")).toString(),
              QStringLiteral("queued"));
}

TEST_F(PhoneServerTest, WithoutAFolderNoOrderIsTaken)
{
    PutPhoto(QStringLiteral("0007"), 400, 300);
    OrderBook nowhere([] { return QString(); });
    PhoneServer server(m_key, m_photos, nowhere);
    ASSERT_TRUE(server.Start(0));
    EXPECT_EQ(HttpRequest("127.0.0.1", server.Port(), "POST", At("order"), OrderBody("0007", "1", Token(1))).status, 503);
    EXPECT_TRUE(nowhere.Orders().empty());
}

TEST_F(PhoneServerTest, AGuestFindsThePhotoByTheNameOrTheNumberPrintedOnIt)
{
    PutPhoto(QStringLiteral("IMG_5"), 400, 300);
    PutPhoto(QStringLiteral("0007"), 400, 300);
    RecordPictureNumber(QStringLiteral("IMG_5"), 12);
    const struct
    {
        const char *typed;
        const char *found; // nullptr: not found
    } cases[] = {
        {"IMG_5", "IMG_5"}, {"12", "IMG_5"}, {"0012", "IMG_5"}, {" 12 ", "IMG_5"},
        {"0007", "0007"},   {"img_5", nullptr}, {"13", nullptr}, {"", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        const HttpAnswer answer = Get(At("find?q=" + UrlEncode(c.typed)));
        if (!c.found) {
            EXPECT_EQ(answer.status, 404);
            continue;
        }
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(Json(answer).value(QStringLiteral("name")).toString(), QString::fromUtf8(c.found));
        EXPECT_EQ(Json(answer).value(QStringLiteral("maxCopies")).toInt(), 5);
    }
}

TEST_F(PhoneServerTest, ThePageShowsAReducedCopyAndTheGalleryOnlyWhenAllowed)
{
    PutPhoto(QStringLiteral("0007"), 2400, 1600);
    PutPhoto(QStringLiteral("0008"), 300, 500);
    PutPhoto(QStringLiteral("0099"), 300, 500, false);
    const HttpAnswer picture = Get(At("photo?name=0007"));
    ASSERT_EQ(picture.status, 200);
    const QImage image = QImage::fromData(QByteArray::fromStdString(picture.body), "JPG");
    EXPECT_EQ(image.size(), QSize(720, 480));
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(Get(At("photo?name=0008")).body), "JPG").size(), QSize(300, 500));

    EXPECT_EQ(Get(At("gallery")).status, 404);
    m_server->SetGallery(true);
    const HttpAnswer gallery = Get(At("gallery"));
    ASSERT_EQ(gallery.status, 200);
    EXPECT_EQ(Json(gallery).value(QStringLiteral("names")).toArray(), QJsonArray({"0007", "0008"}));

    const HttpAnswer page = Get(At(""));
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<input id=\"q\""), std::string::npos);
}
