#include "platform/ScreenSaver.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include <memory>

namespace {

constexpr int kCallTimeoutMs = 500;

QDBusInterface *Service()
{
    // One interface for the process; without a session bus there is nothing to talk to.
    static const std::unique_ptr<QDBusInterface> service = []() -> std::unique_ptr<QDBusInterface> {
        if (!QDBusConnection::sessionBus().isConnected())
            return nullptr;
        auto created = std::make_unique<QDBusInterface>(QStringLiteral("org.freedesktop.ScreenSaver"),
                                                        QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                        QStringLiteral("org.freedesktop.ScreenSaver"),
                                                        QDBusConnection::sessionBus());
        created->setTimeout(kCallTimeoutMs);
        return created;
    }();
    return service.get();
}

} // namespace

ScreenSaver::~ScreenSaver()
{
    Allow();
}

void ScreenSaver::Forbid()
{
    if (m_cookie != 0)
        return;
    QDBusInterface *service = Service();
    if (service == nullptr || !service->isValid())
        return;
    const QDBusReply<uint32_t> reply =
        service->call(QStringLiteral("Inhibit"), QStringLiteral("Vellora"), QStringLiteral("Interactive photography"));
    if (reply.isValid())
        m_cookie = reply.value();
}

void ScreenSaver::Allow()
{
    if (m_cookie == 0)
        return;
    if (QDBusInterface *service = Service(); service != nullptr && service->isValid())
        service->call(QStringLiteral("UnInhibit"), m_cookie);
    m_cookie = 0;
}
