#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

// Today's phone orders and their info files. Every order becomes one file
// "NAME.ORDER.vellora" in the phone reprint folder holding the copies, so two
// orders of one photo never share, overwrite or lose a file; the desk reads
// the name before the first "." and deletes the file once it has queued the
// reprint. Safe to call from the server's threads.
class OrderBook final : public QObject
{
    Q_OBJECT

public:
    enum class State { Taken, Queued };

    struct Order
    {
        QString id;
        QString name;
        int copies = 0;
        QDateTime placed;
        State state = State::Taken;
    };

    // `folder()` gives the phone reprint folder as it is set now.
    explicit OrderBook(std::function<QString()> folder, QObject *parent = nullptr);

    // Writes the order's file, written beside and renamed into place; nothing
    // when no folder is set or the file could not be written. The
    // same token (the page makes one per order) gives back the first order
    // instead of writing another file, so a resent order counts once.
    std::optional<Order> Place(const QString &name, int copies, const QString &token);
    // The order with that id, its state looked at now.
    std::optional<Order> Find(const QString &id);
    // Takes up the orders an earlier run left waiting in the folder, so a
    // restarted companion still lists them and their guests still see them
    // turn queued. Call once, before serving.
    void Resume();
    // Every order of this run, oldest first, their states looked at now.
    std::vector<Order> Orders();

    // Tokens the page makes: 16 to 64 letters and digits.
    static bool IsToken(const QString &token);

signals:
    // An order was placed or an order's state changed.
    void Changed();

private:
    // Marks orders whose file the desk has taken as queued; true when any changed.
    bool LookAtFiles();

    std::function<QString()> m_folder;
    std::mutex m_lock;
    std::vector<Order> m_orders;
    std::map<QString, QString> m_byToken; // token -> order id
    std::map<QString, std::filesystem::path> m_files; // order id -> its file
};
