#include "tests/phone/PhoneCrowd.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

PhoneCrowd::PhoneCrowd(int phones, int photos, int port, std::function<std::string(const std::string &)> at)
    : m_at(std::move(at))
    , m_visits(phones)
{
    for (int i = 0; i < phones; ++i)
        m_phones.emplace_back([this, i, photos, port] { Run(i, photos, port); });
}

PhoneCrowd::~PhoneCrowd()
{
    m_go = true;
    Join();
}

void PhoneCrowd::Go()
{
    m_go = true;
}

void PhoneCrowd::Join()
{
    for (std::thread &phone : m_phones)
        if (phone.joinable())
            phone.join();
}

void PhoneCrowd::Run(int phone, int photos, int port)
{
    while (!m_go)
        std::this_thread::yield();
    const std::string from = "127.0.1." + std::to_string(phone + 1);
    const std::string name = QStringLiteral("%1").arg(phone % photos + 1, 4, 10, QLatin1Char('0')).toStdString();
    PhoneCrowd::Visit &visit = m_visits[phone];
    visit.page = HttpRequest(from, port, "GET", m_at(""));
    visit.find = HttpRequest(from, port, "GET", m_at("find?q=" + name));
    visit.photo = HttpRequest(from, port, "GET", m_at("photo?name=" + name));
    char token[32];
    std::snprintf(token, sizeof token, "phone%011d", phone);
    visit.order = HttpRequest(from, port, "POST", m_at("order"),
                              "name=" + name + "&copies=" + std::to_string(Copies(phone)) + "&token=" + token);
    ++m_done;
}

QString PhoneCrowd::OrderFile(const HttpAnswer &order)
{
    const QJsonObject answer = QJsonDocument::fromJson(QByteArray::fromStdString(order.body)).object();
    return QStringLiteral("%1.%2.vellora")
        .arg(answer.value(QStringLiteral("name")).toString(), answer.value(QStringLiteral("id")).toString());
}

PhoneCrowd::Times PhoneCrowd::AnswerTimes() const
{
    std::vector<std::chrono::microseconds> orderTimes, allTimes;
    for (const PhoneCrowd::Visit &visit : m_visits) {
        for (const HttpAnswer *answer : {&visit.page, &visit.find, &visit.photo, &visit.order})
            allTimes.push_back(answer->took);
        orderTimes.push_back(visit.order.took);
    }
    const auto [orderMedian, orderWorst] = MedianAndWorst(orderTimes);
    const auto [allMedian, allWorst] = MedianAndWorst(allTimes);
    return {orderMedian, orderWorst, allMedian, allWorst};
}

double Ms(std::chrono::microseconds took)
{
    return took.count() / 1000.0;
}

std::pair<double, double> MedianAndWorst(std::vector<std::chrono::microseconds> times)
{
    std::sort(times.begin(), times.end());
    return {Ms(times[times.size() / 2]), Ms(times.back())};
}
