#include "phone/OrderBook.h"

#include "platform/DecimalText.h"
#include "platform/Utf16File.h"

#include <QDir>

#include <QRandomGenerator>

#include <algorithm>
#include <functional>

namespace {

constexpr int OrderIdLength = 12;

bool IsOrderId(const QString &text)
{
    if (text.size() != OrderIdLength)
        return false;
    for (const QChar c : text)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    return true;
}

QString NewOrderId()
{
    const quint64 random = QRandomGenerator::system()->generate64();
    return QStringLiteral("%1").arg(random & 0xffffffffffffULL, OrderIdLength, 16, QLatin1Char('0'));
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
    Order order{NewOrderId(), name, copies, QDateTime::currentDateTime(), State::Taken};
    {
        const std::lock_guard lock(m_lock);
        if (const auto known = m_byToken.find(token); known != m_byToken.end()) {
            for (const Order &placed : m_orders)
                if (placed.id == known->second)
                    return placed;
            return std::nullopt; // its first sending is still being written
        }
        m_byToken.emplace(token, order.id);
    }
    // Written outside the lock: a slow disk holds up this order only, not
    // the other phones' orders or the window.
    const std::filesystem::path file = std::filesystem::path(folder.toStdString())
        / (name + QLatin1Char('.') + order.id + QStringLiteral(".vellora")).toStdString();
    // The desk takes the number on the file's only line; no line feed after
    // it, so no reader can see an empty last line instead.
    const bool written = !std::filesystem::exists(file) && Utf16File::WriteText(file, QString::number(copies));
    {
        const std::lock_guard lock(m_lock);
        if (!written) {
            m_byToken.erase(token);
            return std::nullopt;
        }
        m_orders.push_back(order);
        m_files.emplace(order.id, file);
    }
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

void OrderBook::Resume()
{
    const QString folder = m_folder();
    if (folder.isEmpty())
        return;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.vellora")}, QDir::Files, QDir::Time | QDir::Reversed);
    const std::lock_guard lock(m_lock);
    for (const QFileInfo &file : files) {
        // Only files of this program's own form: NAME.ID.vellora.
        const QStringList parts = file.fileName().split(QLatin1Char('.'));
        if (parts.size() != 3 || parts[0].isEmpty() || !IsOrderId(parts[1]))
            continue;
        const int copies = LeadingDigitsValue(Utf16File::ReadText(file.filesystemFilePath()).value_or(QString()));
        m_orders.push_back({parts[1], parts[0], copies, file.lastModified(), State::Taken});
        m_files.emplace(parts[1], file.filesystemFilePath());
    }
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
    std::vector<std::pair<QString, std::filesystem::path>> waiting;
    {
        const std::lock_guard lock(m_lock);
        for (const Order &order : m_orders)
            if (order.state == State::Taken)
                waiting.emplace_back(order.id, m_files.at(order.id));
    }
    // The folder is looked at without the lock, so orders keep coming meanwhile.
    std::vector<QString> taken;
    for (const auto &[id, file] : waiting) {
        std::error_code error;
        if (!std::filesystem::exists(file, error) && !error)
            taken.push_back(id);
    }
    if (taken.empty())
        return false;
    const std::lock_guard lock(m_lock);
    for (Order &order : m_orders)
        if (std::find(taken.begin(), taken.end(), order.id) != taken.end())
            order.state = State::Queued;
    return true;
}
