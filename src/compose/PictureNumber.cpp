#include "compose/PictureNumber.h"

#include "platform/Clock.h"
#include "platform/DecimalText.h"
#include "platform/Profile.h"

#include <QDateTime>

#include <algorithm>
#include <limits>
#include <system_error>

namespace {

const QString Section = QStringLiteral("PictureNumber");

void RaiseCounterTo(int number)
{
    int current = PictureCounter.load();
    while (current < number && !PictureCounter.compare_exchange_weak(current, number)) {
    }
}

// Year to second written one after the other without padding; a key with an
// empty value stands for this number.
QString TimeDigits(const QDateTime &now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    return QString::number(date.year()) + QString::number(date.month()) + QString::number(date.day())
        + QString::number(time.hour()) + QString::number(time.minute()) + QString::number(time.second());
}

} // namespace

QString PictureNumberKey(const QString &fileName)
{
    const qsizetype dot = fileName.indexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}

int PictureNumberOf(const QString &fileName)
{
    const QString text = Profile::Read(PictureNumberFile, Section, PictureNumberKey(fileName), QStringLiteral("Error"));
    const int number = LeadingDigitsValue(text.isEmpty() ? TimeDigits(Clock::Now()) : text);
    RaiseCounterTo(number);
    return number;
}

int NextPictureNumber()
{
    int current = PictureCounter.load();
    int next = 0;
    do {
        next = current == std::numeric_limits<int>::max() ? current : current + 1;
    } while (!PictureCounter.compare_exchange_weak(current, next));
    return next;
}

int UpcomingPictureNumber()
{
    const int current = PictureCounter.load();
    return current == std::numeric_limits<int>::max() ? current : current + 1;
}

void TakePictureNumber(int number)
{
    RaiseCounterTo(number);
}

bool RecordPictureNumber(const QString &key, int number)
{
    return Profile::Write(PictureNumberFile, Section, key, QString::number(number));
}

void ForgetPictureNumbers()
{
    std::error_code ignored;
    std::filesystem::remove(PictureNumberFile, ignored);
}
