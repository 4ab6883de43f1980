#include "platform/CodePage936.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(CodePage936, ConvertsBothWays)
{
    const QString text = QStringLiteral("打印机 A-1 检测");
    const QByteArray bytes("\xB4\xF2\xD3\xA1\xBB\xFA A-1 \xBC\xEC\xB2\xE2");
    EXPECT_EQ(CodePage936::FromUnicode(text), bytes);
    EXPECT_EQ(CodePage936::ToUnicode(bytes), text);
    EXPECT_EQ(CodePage936::ToUnicode(CodePage936::FromUnicode(u"plain ascii")), QStringLiteral("plain ascii"));
}

TEST(CodePage936, UnconvertibleGivesQuestionMarkAndBadBytesGiveReplacement)
{
    // An Ethiopic letter, an emoji (a surrogate pair) and a lone surrogate have no code.
    const QString text = QStringLiteral("a\u1234b") + QString::fromUcs4(U"\U0001F600") + QChar(0xD800) + QStringLiteral("打");
    EXPECT_EQ(CodePage936::FromUnicode(text), QByteArray("a?b??\xB4\xF2"));

    EXPECT_EQ(CodePage936::ToUnicode(QByteArray("a\xFF" "b\xB4\xF2\xB4")), QStringLiteral("a\uFFFDb打\uFFFD"));
}

TEST(CodePage936, ThreadsConvertIndependently)
{
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&wrong, t] {
            const QString text = QStringLiteral("线程%1 \u1234 照片").arg(t);
            for (int i = 0; i < 2000; ++i) {
                if (CodePage936::ToUnicode(CodePage936::FromUnicode(text)) != QString(text).replace(u'\u1234', u'?'))
                    ++wrong;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
