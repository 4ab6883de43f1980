#include "tests/phone/PhoneDesk.h"

#include "compose/PictureNumber.h"
#include "platform/Clock.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "settings/SystemSettings.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <filesystem>

void PhoneDesk::SetUp()
{
    // Companion sockets lie in the temporary folder: this test's own.
    m_tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(m_folder.Path().string()));
    PrintingWindow::SetUp();
    const QDateTime noon(QDate(2024, 3, 5), QTime(12, 0));
    Clock::Fix([noon] { return noon; });
    std::filesystem::create_directories("Pic_R");
    std::filesystem::create_directories("phone");
    SystemSettings::SavePhoneReprintFolder(QStringLiteral("phone"));
}

void PhoneDesk::TearDown()
{
    PrintingWindow::TearDown();
    Clock::Reset();
    if (m_tmpdir.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_tmpdir);
}

void PhoneDesk::PutPrinted(const QString &name, int number)
{
    QImage photo(900, 600, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 900, 600);
    sky.setColorAt(0, QColor(40, 110, 150));
    sky.setColorAt(1, QColor(230, 170, 90));
    painter.fillRect(photo.rect(), sky);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("Liberation Sans"), 48));
    painter.drawText(photo.rect().adjusted(0, 0, 0, -30), Qt::AlignHCenter | Qt::AlignBottom, name);
    painter.end();
    ASSERT_TRUE(photo.save(QStringLiteral("Pic_R/%1.jpg").arg(name), "JPG"));
    RecordPictureNumber(name, number);
    ASSERT_TRUE(Utf16File::AppendLine(PrintRecordFile(TodayStamp()), CountLine(name, 1)));
}

QStringList PhoneDesk::Jobs() const
{
    QStringList jobs;
    for (const PrivateCups::ReceivedJob &job : m_cups.ReceivedJobs())
        jobs.append(QStringLiteral("%1x%2").arg(job.title).arg(job.copies));
    return jobs;
}
