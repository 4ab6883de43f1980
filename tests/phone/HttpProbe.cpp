#include "tests/phone/HttpProbe.h"

#include <arpa/inet.h>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

class Socket
{
public:
    Socket() : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {}
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool AnswerWaiting(int fd)
{
    pollfd readable{fd, POLLIN, 0};
    return ::poll(&readable, 1, 0) > 0;
}

// Sends in pieces and stops once the server has answered, as a browser
// does: a server that refuses a body closes without reading the rest.
bool SendAll(int fd, const std::string &bytes)
{
    constexpr std::size_t Piece = 64 * 1024;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (AnswerWaiting(fd))
            return false;
        const ssize_t n = ::send(fd, bytes.data() + sent, std::min(Piece, bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

sockaddr_in Address(const std::string &ip, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    return address;
}

} // namespace

HttpAnswer HttpRequest(const std::string &from, int port, const std::string &method, const std::string &target,
                       const std::string &body)
{
    const auto start = std::chrono::steady_clock::now();
    HttpAnswer answer;
    Socket socket;
    timeval patience{10, 0};
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    const sockaddr_in local = Address(from, 0);
    const sockaddr_in server = Address("127.0.0.1", port);
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0
        || ::connect(socket.Get(), reinterpret_cast<const sockaddr *>(&server), sizeof server) != 0)
        return answer;
    std::string request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (method == "POST")
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size())
            + "\r\n";
    request += "\r\n";
    // A refused body may never be read: the answer counts, not whether all of it went out.
    if (SendAll(socket.Get(), request))
        SendAll(socket.Get(), body);
    std::string reply;
    char buffer[16384];
    for (ssize_t n; (n = ::recv(socket.Get(), buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    answer.took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    if (std::sscanf(reply.c_str(), "HTTP/1.1 %d", &answer.status) != 1)
        answer.status = 0;
    if (const std::size_t end = reply.find("\r\n\r\n"); end != std::string::npos)
        answer.body = reply.substr(end + 4);
    return answer;
}

std::string UrlEncode(const std::string &text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 15];
        }
    }
    return encoded;
}
