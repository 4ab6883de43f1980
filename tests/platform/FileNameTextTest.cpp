#include "platform/CodePage936.h"
#include "platform/FileNameText.h"

#include <gtest/gtest.h>

// Names as folders hold them, and the text the program gives each: exact for
// UTF-8, the GBK reading for a Windows share's bytes, "%XX" for the rest.
TEST(FileNameText, EveryNameGetsAValidTextDerivedFromItsBytes)
{
    const std::string gbk = CodePage936::FromUnicode(QStringLiteral("婚礼合影.jpg")).toStdString();
    const struct
    {
        const char *why;
        std::string bytes;
        bool utf8;
        QString text;
    } cases[] = {
        {"plain", "IMG_0001.JPG", true, QStringLiteral("IMG_0001.JPG")},
        {"UTF-8 Chinese", "新娘.jpg", true, QStringLiteral("新娘.jpg")},
        {"GBK from a Windows share", gbk, false, QStringLiteral("婚礼合影.jpg")},
        {"neither", std::string("a\xff\xfe" "b.jpg"), false, QStringLiteral("a%FF%FEb.jpg")},
        {"a character cut short at the end", std::string("x.jpg\xe6"), false, QStringLiteral("x.jpg%E6")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(IsUtf8FileName(c.bytes), c.utf8) << c.why;
        EXPECT_EQ(FileNameText(c.bytes), c.text) << c.why;
    }
}
