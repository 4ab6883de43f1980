#include "platform/FileNameText.h"

#include "platform/CodePage936.h"

#include <QStringDecoder>

namespace {

// The UTF-8 parts of the bytes, every byte that is not part of one as "%XX".
QString Escaped(const std::string &bytes)
{
    QString text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        // The longest run from `at` that decodes cleanly.
        std::size_t end = bytes.size();
        for (; end > at; --end) {
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString piece = utf8.decode(QByteArrayView(bytes.data() + at, end - at));
            if (!utf8.hasError()) {
                text += piece;
                break;
            }
        }
        if (end > at) {
            at = end;
            continue;
        }
        text += QStringLiteral("%%1").arg(static_cast<unsigned char>(bytes[at]), 2, 16, QLatin1Char('0')).toUpper();
        ++at;
    }
    return text;
}

} // namespace

bool IsUtf8FileName(const std::filesystem::path &name)
{
    const std::string &bytes = name.native();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(bytes.data(), bytes.size()));
    return !utf8.hasError();
}

QString FileNameText(const std::filesystem::path &name)
{
    const std::string &bytes = name.native();
    const QByteArrayView view(bytes.data(), bytes.size());
    if (IsUtf8FileName(name))
        return QString::fromUtf8(view);
    // GBK bytes read back to the same bytes: the name as the Windows share meant it.
    const QString gbk = CodePage936::ToUnicode(view);
    if (!gbk.contains(QChar::ReplacementCharacter) && CodePage936::FromUnicode(gbk) == view)
        return gbk;
    return Escaped(bytes);
}
