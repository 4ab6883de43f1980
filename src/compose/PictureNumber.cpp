#include "compose/PictureNumber.h"

#include "platform/Profile.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <system_error>

namespace {

const QString Section = QStringLiteral("PictureNumber");

void RaiseCounterTo(int number)
{
    int current = PictureCounter.load();
    while (current < number && !PictureCounter.compare_exchange_weak(current, number)) {
    }
}

// A recorded number the program itself could have written: decimal digits,
// no more than an event can use. Anything else (an empty value, letters, a
// number near the counter's end) would use up the numbers after it.
constexpr int MaxRecordedNumber = 9999999;

std::optional<int> RecordedNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,7}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int number = text.toInt();
    return number <= MaxRecordedNumber ? std::optional<int>(number) : std::nullopt;
}

std::mutex reportMutex;
PictureNumberReport report;
std::set<std::pair<QString, QString>> reported; // key and value, each said once

void ReportUnusable(const QString &key, const QString &text)
{
    std::lock_guard lock(reportMutex);
    if (!reported.emplace(key, text).second || !report)
        return;
    report(QStringLiteral("图片编号文件中“%1”的值“%2”不是可用的编号，按没有编号处理，不占用编号").arg(key, text));
}

} // namespace

QString PictureNumberKey(const QString &fileName)
{
    const qsizetype dot = fileName.indexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}

int PictureNumberOf(const QString &fileName)
{
    const QString missing = QStringLiteral("Error");
    const QString key = PictureNumberKey(fileName);
    const QString text = Profile::Read(PictureNumberFile, Section, key, missing);
    if (text == missing)
        return 0;
    const std::optional<int> number = RecordedNumber(text);
    if (!number) {
        ReportUnusable(key, text);
        return 0;
    }
    RaiseCounterTo(*number);
    return *number;
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

void SetPictureNumberReport(PictureNumberReport newReport)
{
    std::lock_guard lock(reportMutex);
    report = std::move(newReport);
    reported.clear();
}

void ForgetPictureNumbers()
{
    std::error_code ignored;
    std::filesystem::remove(PictureNumberFile, ignored);
}
