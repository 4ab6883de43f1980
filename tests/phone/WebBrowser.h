#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>

#include <memory>

namespace httplib {
class Client;
}

// Debian's chromium, headless at a phone's size, driven through
// chromedriver's WebDriver interface: what a guest's phone does with the page.
class WebBrowser
{
public:
    WebBrowser();
    ~WebBrowser();

    // Starts chromedriver and a browser session; false when either is missing.
    bool Start(int width, int height);
    void Open(const QString &address);
    // The element the CSS selector finds first; empty when there is none.
    QString Find(const QString &selector);
    void Click(const QString &element);
    void Type(const QString &element, const QString &text);
    QString Text(const QString &element);
    bool Displayed(const QString &element);
    // The page as the screen shows it, as PNG bytes.
    QByteArray Screenshot();

private:
    QJsonObject Call(const char *method, const QString &path, const QJsonObject &body = {});

    QProcess m_driver;
    std::unique_ptr<httplib::Client> m_client;
    QString m_session;
};
