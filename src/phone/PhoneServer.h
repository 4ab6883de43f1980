#pragma once

#include "phone/OrderBook.h"
#include "phone/PrintedPhotos.h"
#include "phone/RateLimit.h"

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// The page's web server on the event's network. It answers only under
// "/KEY/" (the event key) and only these:
//   GET  /KEY/             the page
//   GET  /KEY/find?q=      a photo printed today, by name or number
//   GET  /KEY/photo?name=  its reduced copy
//   GET  /KEY/gallery      every photo printed today, when the operator allows it
//   POST /KEY/order        name, copies (1 to the most allowed), token
//   GET  /KEY/status?id=   "taken" until the desk has queued the order, then "queued"
// Requests, bodies and orders per client are bounded; everything else gets
// 403 or 404 with nothing read or written. Serves on threads of its own.
class PhoneServer
{
public:
    struct Limits
    {
        int requestsPerMinute = 240;
        int ordersPerMinute = 6;
        std::size_t largestBody = 4096;
        int threads = 16;
    };

    PhoneServer(QString eventKey, PrintedPhotos &photos, OrderBook &orders, Limits limits);
    PhoneServer(QString eventKey, PrintedPhotos &photos, OrderBook &orders);
    // Stops serving and waits for the server's threads.
    ~PhoneServer();
    PhoneServer(const PhoneServer &) = delete;
    PhoneServer &operator=(const PhoneServer &) = delete;

    // Starts serving on every address at `port` (0: any free port); false
    // when the port cannot be had.
    bool Start(int port);
    int Port() const { return m_port; }

    void SetMaxCopies(int copies) { m_maxCopies = copies; }
    int MaxCopies() const { return m_maxCopies; }
    void SetGallery(bool on) { m_gallery = on; }
    bool Gallery() const { return m_gallery; }

private:
    void Route();
    bool Admit(const httplib::Request &request, httplib::Response &response);
    void OnFind(const httplib::Request &request, httplib::Response &response);
    void OnPhoto(const httplib::Request &request, httplib::Response &response);
    void OnGallery(const httplib::Request &request, httplib::Response &response);
    void OnOrder(const httplib::Request &request, httplib::Response &response);
    void OnStatus(const httplib::Request &request, httplib::Response &response);

    const QString m_key;
    PrintedPhotos &m_photos;
    OrderBook &m_orders;
    const Limits m_limits;
    RateLimit m_requests;
    RateLimit m_orderRate;
    std::atomic<int> m_maxCopies{5};
    std::atomic<bool> m_gallery{false};
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_loopEnded{false};
    int m_port = 0;
};

// The page's address for guests: http://HOST:PORT/KEY/
QString PhonePageAddress(const QString &host, int port, const QString &eventKey);
// This machine's address on the local network (the first IPv4 address of an
// interface that is up and not the loopback), or 127.0.0.1 when it has none.
QString LocalNetworkAddress();
