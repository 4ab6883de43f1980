#include "phone/OrderBook.h"

#include "platform/Utf16File.h"

#include <QRandomGenerator>

#include <functional>

namespace {

QString NewOrderId()
{
    const quint64 random = QRandomGenerator::system()->generate64();
    return QStringLiteral("%1").arg(random & 0xffffffffffffULL, 12, 16, QLatin1Char('0'));
}

} // namespace

OrderBook::OrderBook(std::function<QString()> folder, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(folder))
{
}

std::optional<OrderBook::Order> OrderBook::Place(const QString &name, int copies, const QString &token)
{
    const QString folder = m_folder();
    if (folder.isEmpty())
        return std::nullopt;
    std::unique_lock lock(m_lock);
    if (const auto known = m_byToken.find(token); known != m_byToken.end()) {
        for (const Order &order : m_orders)
            if (order.id == known->second)
                return order;
    }
    Order order{NewOrderId(), name, copies, QDateTime::currentDateTime(), State::Taken};
    std::filesystem::path file = std::filesystem::path(folder.toStdString())
        / (name + QLatin1Char('.') + order.id + QStringLiteral(".vellora")).toStdString();
    // The desk takes the number on the file's only line; no line feed after
    // it, so no reader can see an empty last line instead.
    if (std::filesystem::exists(file) || !Utf16File::WriteText(file, QString::number(copies)))
        return std::nullopt;
    m_orders.push_back(order);
    m_byToken.emplace(token, order.id);
    m_files.emplace(order.id, std::move(file));
    lock.unlock();
    emit Changed();
    return order;
}

std::optional<OrderBook::Order> OrderBook::Find(const QString &id)
{
    const bool changed = LookAtFiles();
    std::optional<Order> found;
    {
        const std::lock_guard lock(m_lock);
        for (const Order &order : m_orders)
            if (order.id == id)
                found = order;
    }
    if (changed)
        emit Changed();
    return found;
}

std::vector<OrderBook::Order> OrderBook::Orders()
{
    const bool changed = LookAtFiles();
    std::vector<Order> orders;
    {
        const std::lock_guard lock(m_lock);
        orders = m_orders;
    }
    if (changed)
        emit Changed();
    return orders;
}

bool OrderBook::IsToken(const QString &token)
{
    if (token.size() < 16 || token.size() > 64)
        return false;
    for (const QChar c : token)
        if (c.unicode() > 0x7f || !c.isLetterOrNumber())
            return false;
    return true;
}

bool OrderBook::LookAtFiles()
{
    const std::lock_guard lock(m_lock);
    bool changed = false;
    for (Order &order : m_orders) {
        if (order.state == State::Queued)
            continue;
        std::error_code error;
        const bool waiting = std::filesystem::exists(m_files.at(order.id), error);
        if (!waiting && !error) {
            order.state = State::Queued;
            changed = true;
        }
    }
    return changed;
}
