#pragma once

#include "tests/phone/HttpProbe.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Many phones, each on a thread and a loopback address of its own
// (127.0.1.N), that open the page, find a photo, load its picture and order
// it, all at the same moment. Phone i orders photo "%04d" of i % photos + 1,
// Copies(i) copies.
class PhoneCrowd final
{
public:
    struct Visit
    {
        HttpAnswer page, find, photo, order;
    };

    // `at` turns a path below the page into the keyed target ("/KEY/" + rest).
    PhoneCrowd(int phones, int photos, int port, std::function<std::string(const std::string &)> at);
    // Joins the phones still running.
    ~PhoneCrowd();
    PhoneCrowd(const PhoneCrowd &) = delete;
    PhoneCrowd &operator=(const PhoneCrowd &) = delete;

    // Lets every phone go at once.
    void Go();
    bool Done() const { return m_done == static_cast<int>(m_visits.size()); }
    int Answered() const { return m_done; }
    void Join();

    // Valid once joined.
    const std::vector<Visit> &Visits() const { return m_visits; }
    // Median and worst answer times in milliseconds: of the orders, of all requests.
    struct Times
    {
        double orderMedian, orderWorst, allMedian, allWorst;
    };
    Times AnswerTimes() const;
    static int Copies(int phone) { return phone % 5 + 1; }
    // The info file an order's answer names: "NAME.ID.vellora".
    static QString OrderFile(const HttpAnswer &order);

private:
    void Run(int phone, int photos, int port);

    std::function<std::string(const std::string &)> m_at;
    std::vector<Visit> m_visits;
    std::atomic<bool> m_go{false};
    std::atomic<int> m_done{0};
    std::vector<std::thread> m_phones;
};

double Ms(std::chrono::microseconds took);
// The median and the worst of the answer times, in milliseconds.
std::pair<double, double> MedianAndWorst(std::vector<std::chrono::microseconds> times);
