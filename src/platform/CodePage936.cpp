#include "CodePage936.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>

#include <iconv.h>

namespace CodePage936 {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// One conversion direction; each thread keeps its own, because a conversion
// descriptor carries state and must not be shared between threads.
class Converter final
{
public:
    Converter(const char *to, const char *from) : m_descriptor(::iconv_open(to, from)) {}
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    ~Converter()
    {
        if (IsOpen())
            ::iconv_close(m_descriptor);
    }

    bool IsOpen() const { return m_descriptor != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns false with errno set at the first
    // input it cannot take. The pointers and counts move past what was done.
    bool Convert(const char *&in, size_t &inLeft, char *&out, size_t &outLeft)
    {
        char *input = const_cast<char *>(in);
        const size_t result = ::iconv(m_descriptor, &input, &inLeft, &out, &outLeft);
        in = input;
        return result != static_cast<size_t>(-1);
    }

    void ResetState() { ::iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_descriptor;
};

bool IsAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool IsAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

QByteArray FromUnicode(QStringView text)
{
    // Plain ASCII is the same in code page 936, and it is most of what the program writes.
    if (IsAscii(text))
        return text.toLatin1();

    thread_local Converter converter("CP936", "UTF-16LE");
    QByteArray source(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), source.data());
    // Two bytes per character is the most code page 936 needs for a UTF-16 unit.
    QByteArray result(text.size() * 2, Qt::Uninitialized);
    if (!converter.IsOpen())
        return QByteArray(text.size(), '?');

    const char *in = source.constData();
    size_t inLeft = static_cast<size_t>(source.size());
    char *out = result.data();
    size_t outLeft = static_cast<size_t>(result.size());
    while (!converter.Convert(in, inLeft, out, outLeft)) {
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A character the code page lacks (or a lone surrogate): one '?' for it.
        const char16_t unit = qFromLittleEndian<char16_t>(in);
        const size_t skip = QChar::isHighSurrogate(unit) && inLeft >= 4
                && QChar::isLowSurrogate(qFromLittleEndian<char16_t>(in + 2))
            ? 4
            : 2;
        in += std::min(skip, inLeft);
        inLeft -= std::min(skip, inLeft);
        *out++ = '?';
        --outLeft;
        converter.ResetState();
    }
    result.truncate(out - result.data());
    return result;
}

QString ToUnicode(QByteArrayView bytes)
{
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes);

    thread_local Converter converter("UTF-16LE", "CP936");
    if (!converter.IsOpen())
        return QString(bytes.size(), QChar(kReplacement));
    // Every byte gives at most one UTF-16 unit.
    QByteArray result(bytes.size() * 2, Qt::Uninitialized);
    const char *in = bytes.data();
    size_t inLeft = static_cast<size_t>(bytes.size());
    char *out = result.data();
    size_t outLeft = static_cast<size_t>(result.size());
    while (!converter.Convert(in, inLeft, out, outLeft)) {
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A byte that starts no valid character, or an unfinished one at the end.
        qToLittleEndian<char16_t>(kReplacement, out);
        out += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        converter.ResetState();
    }
    QString text(static_cast<qsizetype>((out - result.data()) / 2), Qt::Uninitialized);
    qFromLittleEndian<char16_t>(result.constData(), text.size(), text.data());
    return text;
}

} // namespace CodePage936
