#include "platform/CodePage936.h"

#include "platform/FileIo.h"

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

    // Converts all of the input into at most the given number of bytes. At
    // input it cannot convert, replace(in, inLeft, out) writes a replacement
    // at out, moves out past it and returns how many input bytes it stands for.
    template <typename Replace>
    QByteArray ConvertAll(QByteArrayView input, qsizetype capacity, Replace replace)
    {
        QByteArray result(capacity, Qt::Uninitialized);
        const char *in = input.data();
        size_t inLeft = static_cast<size_t>(input.size());
        char *out = result.data();
        size_t outLeft = static_cast<size_t>(result.size());
        while (!Convert(in, inLeft, out, outLeft) && (errno == EILSEQ || errno == EINVAL)) {
            char *const before = out;
            const size_t skipped = replace(in, inLeft, out);
            in += skipped;
            inLeft -= skipped;
            outLeft -= static_cast<size_t>(out - before);
            ResetState();
        }
        result.truncate(out - result.data());
        return result;
    }

private:
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
    if (!converter.IsOpen())
        return QByteArray(text.size(), '?');
    QByteArray source(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), source.data());
    // Two bytes per UTF-16 unit is the most code page 936 needs.
    return converter.ConvertAll(source, source.size(), [](const char *in, size_t inLeft, char *&out) {
        // A character the code page lacks (or a lone surrogate): one '?' for it.
        const bool pair = inLeft >= 4 && QChar::isHighSurrogate(qFromLittleEndian<char16_t>(in))
            && QChar::isLowSurrogate(qFromLittleEndian<char16_t>(in + 2));
        *out++ = '?';
        return std::min<size_t>(pair ? 4 : 2, inLeft);
    });
}

QString ToUnicode(QByteArrayView bytes)
{
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes);

    thread_local Converter converter("UTF-16LE", "CP936");
    if (!converter.IsOpen())
        return QString(bytes.size(), QChar(kReplacement));
    // Every byte gives at most one UTF-16 unit.
    const QByteArray result = converter.ConvertAll(bytes, bytes.size() * 2, [](const char *, size_t, char *&out) {
        // A byte that starts no valid character, or an unfinished one at the end.
        qToLittleEndian<char16_t>(kReplacement, out);
        out += 2;
        return size_t{1};
    });
    return FileIo::FromUtf16Le(result);
}

} // namespace CodePage936
