#include "DecimalText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

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

    // Accumulate in 64 bits and stop growing once the result is past the int range.
    constexpr int64_t limit = int64_t{std::numeric_limits<int>::max()} + 1;
    int64_t value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = std::min(value * 10 + (text[at].unicode() - u'0'), limit);

    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min<int64_t>(value, std::numeric_limits<int>::max()));
}
