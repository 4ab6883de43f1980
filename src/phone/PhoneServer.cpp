#include "phone/PhoneServer.h"

#include "phone/PhonePage.h"
#include "phone/ReducedCopy.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>

#include <httplib.h>

#include <map>
#include <mutex>

#include <sys/socket.h>

namespace {

const char *const JsonType = "application/json; charset=utf-8";

namespace Text {
const QString NotPrinted = QStringLiteral("找不到这张照片：它可能还没有打印，请稍后再试");
const QString Copies = QStringLiteral("份数须在 1 到 %1 之间");
const QString TooOften = QStringLiteral("操作太频繁，请稍后再试");
const QString BadOrder = QStringLiteral("订单不完整，请重新打开页面");
const QString NoOrders = QStringLiteral("现在不能下单，请到前台加印");
} // namespace Text

QString Param(const httplib::Request &request, const char *name)
{
    return QString::fromUtf8(request.get_param_value(name));
}

void Reply(httplib::Response &response, int status, const QJsonObject &body)
{
    response.status = status;
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), JsonType);
}

void Refuse(httplib::Response &response, int status, const QString &message)
{
    Reply(response, status, {{QStringLiteral("message"), message}});
}

// Copies as the page sends them: plain decimal digits, nothing else.
int CopiesValue(const QString &text)
{
    if (text.isEmpty() || text.size() > 4)
        return -1;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// Compares the key without telling by its timing how much of it was right.
bool SameKey(const std::string &given, const std::string &key)
{
    if (given.size() != key.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < key.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ key[i]);
    return difference == 0;
}

QJsonObject OrderJson(const OrderBook::Order &order)
{
    return {{QStringLiteral("id"), order.id},
            {QStringLiteral("name"), order.name},
            {QStringLiteral("copies"), order.copies},
            {QStringLiteral("state"), order.state == OrderBook::State::Queued ? QStringLiteral("queued")
                                                                              : QStringLiteral("taken")}};
}

// Reduced copies made once per photo file: a crowd opening the same photo
// decodes it once.
class CopyCache
{
public:
    QByteArray Get(const std::filesystem::path &file)
    {
        std::error_code error;
        const auto stamp = std::filesystem::last_write_time(file, error);
        {
            const std::lock_guard lock(m_lock);
            if (const auto hit = m_copies.find(file); hit != m_copies.end() && hit->second.first == stamp)
                return hit->second.second;
        }
        QByteArray copy = ReducedCopy(file);
        const std::lock_guard lock(m_lock);
        if (m_copies.size() >= Kept)
            m_copies.clear();
        if (!copy.isEmpty())
            m_copies[file] = {stamp, copy};
        return copy;
    }

private:
    static constexpr std::size_t Kept = 256;
    std::mutex m_lock;
    std::map<std::filesystem::path, std::pair<std::filesystem::file_time_type, QByteArray>> m_copies;
};

CopyCache &Copies()
{
    static CopyCache cache;
    return cache;
}

} // namespace

PhoneServer::PhoneServer(QString eventKey, PrintedPhotos &photos, OrderBook &orders, Limits limits)
    : m_key(std::move(eventKey))
    , m_photos(photos)
    , m_orders(orders)
    , m_limits(limits)
    , m_requests(limits.requestsPerMinute, std::chrono::minutes(1))
    , m_orderRate(limits.ordersPerMinute, std::chrono::minutes(1))
    , m_server(std::make_unique<httplib::Server>())
{
    Route();
}

PhoneServer::PhoneServer(QString eventKey, PrintedPhotos &photos, OrderBook &orders)
    : PhoneServer(std::move(eventKey), photos, orders, Limits{})
{
}

PhoneServer::~PhoneServer()
{
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool PhoneServer::Start(int port)
{
    if (m_thread.joinable())
        return false;
    // The library listens with a backlog of 5: a crowd of phones arriving at
    // once would see connections dropped and stall for seconds. Listening
    // again on the same socket raises the backlog.
    int listening = -1;
    m_server->set_socket_options([&listening](socket_t socket) {
        httplib::default_socket_options(socket);
        listening = socket;
    });
    if (port == 0)
        m_port = m_server->bind_to_any_port("0.0.0.0");
    else
        m_port = m_server->bind_to_port("0.0.0.0", port) ? port : -1;
    m_server->set_socket_options(httplib::default_socket_options);
    if (m_port <= 0)
        return false;
    if (listening >= 0)
        ::listen(listening, SOMAXCONN);
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_loopEnded = true;
    });
    // A stop before the loop runs would be lost and the join would wait forever.
    while (!m_server->is_running() && !m_loopEnded)
        std::this_thread::yield();
    return true;
}

void PhoneServer::Route()
{
    httplib::Server &server = *m_server;
    const int threads = m_limits.threads;
    // The library takes ownership of the queue it is handed.
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(m_limits.largestBody);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(20);
    server.set_default_headers({{"Cache-Control", "no-store"},
                                {"X-Content-Type-Options", "nosniff"},
                                {"Referrer-Policy", "no-referrer"}});
    server.set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &response) {
        return Admit(request, response) ? httplib::Server::HandlerResponse::Unhandled
                                        : httplib::Server::HandlerResponse::Handled;
    });

    const std::string base = QStringLiteral("/%1/").arg(m_key).toStdString();
    server.Get(base, [](const httplib::Request &, httplib::Response &response) {
        const QByteArray page = PhonePageHtml();
        response.set_content(page.constData(), page.size(), "text/html; charset=utf-8");
    });
    server.Get(base + "find", [this](const auto &request, auto &response) { OnFind(request, response); });
    server.Get(base + "photo", [this](const auto &request, auto &response) { OnPhoto(request, response); });
    server.Get(base + "gallery", [this](const auto &request, auto &response) { OnGallery(request, response); });
    server.Post(base + "order", [this](const auto &request, auto &response) { OnOrder(request, response); });
    server.Get(base + "status", [this](const auto &request, auto &response) { OnStatus(request, response); });
}

bool PhoneServer::Admit(const httplib::Request &request, httplib::Response &response)
{
    const std::string key = m_key.toStdString();
    const std::string &path = request.path;
    const bool keyed = path.size() > key.size() + 1 && path[0] == '/' && path[key.size() + 1] == '/'
        && SameKey(path.substr(1, key.size()), key);
    if (!keyed) {
        response.status = 403;
        return false;
    }
    if (!m_requests.Allow(QString::fromStdString(request.remote_addr))) {
        Refuse(response, 429, Text::TooOften);
        return false;
    }
    return true;
}

void PhoneServer::OnFind(const httplib::Request &request, httplib::Response &response)
{
    const std::optional<PrintedPhotos::Photo> photo = m_photos.Find(Param(request, "q"));
    if (!photo)
        return Refuse(response, 404, Text::NotPrinted);
    Reply(response, 200, {{QStringLiteral("name"), photo->name}, {QStringLiteral("maxCopies"), MaxCopies()}});
}

void PhoneServer::OnPhoto(const httplib::Request &request, httplib::Response &response)
{
    const std::optional<PrintedPhotos::Photo> photo = m_photos.Find(Param(request, "name"));
    if (!photo || photo->name != Param(request, "name"))
        return Refuse(response, 404, Text::NotPrinted);
    const QByteArray copy = Copies().Get(photo->file);
    if (copy.isEmpty())
        return Refuse(response, 404, Text::NotPrinted);
    response.set_content(copy.constData(), copy.size(), "image/jpeg");
}

void PhoneServer::OnGallery(const httplib::Request &, httplib::Response &response)
{
    if (!Gallery())
        return Refuse(response, 404, QString());
    Reply(response, 200, {{QStringLiteral("names"), QJsonArray::fromStringList(m_photos.Names())}});
}

void PhoneServer::OnOrder(const httplib::Request &request, httplib::Response &response)
{
    if (!m_orderRate.Allow(QString::fromStdString(request.remote_addr)))
        return Refuse(response, 429, Text::TooOften);
    const QString token = Param(request, "token");
    if (!OrderBook::IsToken(token))
        return Refuse(response, 400, Text::BadOrder);
    const int most = MaxCopies();
    const int copies = CopiesValue(Param(request, "copies"));
    if (copies < 1 || copies > most)
        return Refuse(response, 400, Text::Copies.arg(most));
    const std::optional<PrintedPhotos::Photo> photo = m_photos.Find(Param(request, "name"));
    if (!photo)
        return Refuse(response, 404, Text::NotPrinted);
    const std::optional<OrderBook::Order> order = m_orders.Place(photo->name, copies, token);
    if (!order)
        return Refuse(response, 503, Text::NoOrders);
    Reply(response, 200, OrderJson(*order));
}

void PhoneServer::OnStatus(const httplib::Request &request, httplib::Response &response)
{
    const std::optional<OrderBook::Order> order = m_orders.Find(Param(request, "id"));
    if (!order)
        return Refuse(response, 404, QString());
    Reply(response, 200, OrderJson(*order));
}

QString PhonePageAddress(const QString &host, int port, const QString &eventKey)
{
    return QStringLiteral("http://%1:%2/%3/").arg(host).arg(port).arg(eventKey);
}

QString LocalNetworkAddress()
{
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip().toString();
    }
    return QStringLiteral("127.0.0.1");
}
