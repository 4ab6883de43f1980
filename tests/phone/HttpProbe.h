#pragma once

#include <chrono>
#include <string>

// One HTTP/1.1 request over a fresh connection from a chosen loopback
// address (127.0.0.N), so a test can play many phones, each with an address
// of its own, against a server on 127.0.0.1.
struct HttpAnswer
{
    int status = 0; // 0: no answer
    std::string body;
    std::chrono::microseconds took{0};
};

HttpAnswer HttpRequest(const std::string &from, int port, const std::string &method, const std::string &target,
                       const std::string &body = {});

// Percent-encodes a text for a query or form value.
std::string UrlEncode(const std::string &text);
