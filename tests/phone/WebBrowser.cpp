#include "tests/phone/WebBrowser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QThread>

#include <httplib.h>

namespace {

// The WebDriver key under which an element's reference comes back.
const QString ElementKey = QStringLiteral("element-6066-11e4-a52e-4f735466cecf");

int FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

WebBrowser::WebBrowser() = default;

WebBrowser::~WebBrowser()
{
    if (!m_session.isEmpty())
        Call("DELETE", QString());
    m_driver.kill();
    m_driver.waitForFinished(5000);
}

bool WebBrowser::Start(int width, int height)
{
    const int port = FreePort();
    m_driver.start(QStringLiteral("chromedriver"), {QStringLiteral("--port=%1").arg(port)});
    if (!m_driver.waitForStarted(5000))
        return false;
    m_client = std::make_unique<httplib::Client>("127.0.0.1", port);
    m_client->set_read_timeout(30, 0);
    bool ready = false;
    for (int attempt = 0; attempt < 100 && !ready; ++attempt) {
        ready = static_cast<bool>(m_client->Get("/status"));
        if (!ready)
            QThread::msleep(50);
    }
    if (!ready)
        return false;
    const QJsonArray arguments{QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
                               QStringLiteral("--disable-gpu"), QStringLiteral("--disable-dev-shm-usage"),
                               QStringLiteral("--window-size=%1,%2").arg(width).arg(height)};
    const QJsonObject options{{QStringLiteral("binary"), QStringLiteral("/usr/bin/chromium")},
                              {QStringLiteral("args"), arguments}};
    const QJsonObject capabilities{
        {QStringLiteral("alwaysMatch"), QJsonObject{{QStringLiteral("goog:chromeOptions"), options}}}};
    const QJsonObject session = Call("POST", QString(), {{QStringLiteral("capabilities"), capabilities}});
    m_session = session.value(QStringLiteral("sessionId")).toString();
    return !m_session.isEmpty();
}

void WebBrowser::Open(const QString &address)
{
    Call("POST", QStringLiteral("/url"), {{QStringLiteral("url"), address}});
}

QString WebBrowser::Find(const QString &selector)
{
    const QJsonObject found = Call("POST", QStringLiteral("/element"),
                                   {{QStringLiteral("using"), QStringLiteral("css selector")},
                                    {QStringLiteral("value"), selector}});
    return found.value(ElementKey).toString();
}

void WebBrowser::Click(const QString &element)
{
    Call("POST", QStringLiteral("/element/%1/click").arg(element));
}

void WebBrowser::Type(const QString &element, const QString &text)
{
    Call("POST", QStringLiteral("/element/%1/value").arg(element), {{QStringLiteral("text"), text}});
}

QString WebBrowser::Text(const QString &element)
{
    return Call("GET", QStringLiteral("/element/%1/text").arg(element)).value(QStringLiteral("value")).toString();
}

bool WebBrowser::Displayed(const QString &element)
{
    return Call("GET", QStringLiteral("/element/%1/displayed").arg(element)).value(QStringLiteral("value")).toBool();
}

QByteArray WebBrowser::Screenshot()
{
    const QString png = Call("GET", QStringLiteral("/screenshot")).value(QStringLiteral("value")).toString();
    return QByteArray::fromBase64(png.toLatin1());
}

// One WebDriver command; the whole answer, its "value" unwrapped when that is an object.
QJsonObject WebBrowser::Call(const char *method, const QString &path, const QJsonObject &body)
{
    const std::string target = (m_session.isEmpty() ? QStringLiteral("/session")
                                                    : QStringLiteral("/session/%1%2").arg(m_session, path))
                                   .toStdString();
    const std::string payload = QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString();
    httplib::Result result = std::string(method) == "GET" ? m_client->Get(target)
        : std::string(method) == "DELETE"                 ? m_client->Delete(target)
                                                          : m_client->Post(target, payload, "application/json");
    if (!result)
        return {};

    const QJsonObject answer = QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    const QJsonValue value = answer.value(QStringLiteral("value"));
    return value.isObject() ? value.toObject() : answer;
}
