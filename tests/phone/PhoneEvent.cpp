#include "tests/phone/PhoneEvent.h"

#include "phone/PhoneSettings.h"
#include "platform/Clock.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"

#include <QDir>
#include <QImage>

#include <filesystem>

void PhoneEvent::SetUp()
{
    const QDateTime noon(QDate(2024, 3, 5), QTime(12, 0));
    Clock::Fix([noon] { return noon; });
    std::filesystem::create_directories("Pic_R");
    std::filesystem::create_directories("phone");
    m_key = MakeEventKey();
    m_orders = std::make_unique<OrderBook>([] { return QStringLiteral("phone"); });
    m_server = std::make_unique<PhoneServer>(m_key, m_photos, *m_orders);
    ASSERT_TRUE(m_server->Start(0));
}

void PhoneEvent::TearDown()
{
    m_server.reset();
    Clock::Reset();
}

void PhoneEvent::PutPhoto(const QString &name, int width, int height, bool recorded)
{
    QImage photo(width, height, QImage::Format_RGB32);
    photo.fill(QColor(30, 120, 140));
    ASSERT_TRUE(photo.save(QStringLiteral("Pic_R/%1.jpg").arg(name), "JPG"));
    if (recorded) {
        ASSERT_TRUE(Utf16File::AppendLine(PrintRecordFile(TodayStamp()), CountLine(name, 1)));
    }
}

std::string PhoneEvent::At(const std::string &rest) const
{
    return QStringLiteral("/%1/").arg(m_key).toStdString() + rest;
}

QStringList PhoneEvent::OrderFiles()
{
    return QDir(QStringLiteral("phone")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
