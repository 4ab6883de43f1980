#include "platform/DecimalText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// The digits from `at` on, accumulated in 64 bits and kept from growing past
// one beyond the int range, so either sign can saturate.
int64_t DigitsFrom(QStringView text, qsizetype at)
{
    constexpr int64_t limit = int64_t{std::numeric_limits<int>::max()} + 1;
    int64_t value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = std::min(value * 10 + (text[at].unicode() - u'0'), limit);
    return value;
}

int Saturated(int64_t value)
{
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

int DecimalValue(QStringView text)
{
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;

    bool negative = false;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
        negative = text[at] == u'-';
        ++at;
    }
    const int64_t value = DigitsFrom(text, at);
    return Saturated(negative ? -value : value);
}

int LeadingDigitsValue(QStringView text)
{
    return Saturated(DigitsFrom(text, 0));
}

QStringView FirstWord(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    qsizetype end = 0;
    while (end < trimmed.size() && !trimmed[end].isSpace())
        ++end;
    return trimmed.left(end);
}
