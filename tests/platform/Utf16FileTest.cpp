#include "platform/Utf16File.h"

#include "tests/platform/FileBytes.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class Utf16FileTest : public testing::Test
{
protected:
    ProgramFolder m_folder;
    const fs::path m_file = "Config/Record.vellora";
};

TEST_F(Utf16FileTest, WritesLittleEndianWithoutMarkAndOnlyTheLineFeedsGiven)
{
    ASSERT_TRUE(Utf16File::WriteText(m_file, u"a\n照"));
    EXPECT_EQ(FileBytes(m_file), QByteArray("a\0\n\0\x67\x71", 6));

    ASSERT_TRUE(Utf16File::AppendLine(m_file, u"b"));
    EXPECT_EQ(FileBytes(m_file), QByteArray("a\0\n\0\x67\x71" "b\0\n\0", 10));
    EXPECT_EQ(Utf16File::ReadText(m_file), QStringLiteral("a\n照b\n"));
}

TEST_F(Utf16FileTest, ReadLinesKeepsAnEmptyLastLine)
{
    ASSERT_TRUE(Utf16File::AppendLine(m_file, u"first"));
    ASSERT_TRUE(Utf16File::AppendLine(m_file, u"second"));
    EXPECT_EQ(Utf16File::ReadLines(m_file), QStringList({"first", "second", ""}));

    ASSERT_TRUE(Utf16File::WriteText(m_file, u""));
    EXPECT_EQ(Utf16File::ReadLines(m_file), QStringList({""}));

    // A byte-order mark from another tool is not part of the first line.
    SetFileBytes(m_file, QByteArray("\xFF\xFEx\0", 4));
    EXPECT_EQ(Utf16File::ReadLines(m_file), QStringList({"x"}));
}

TEST_F(Utf16FileTest, MissingFileOrFolder)
{
    EXPECT_EQ(Utf16File::ReadText(m_file), std::nullopt);
    EXPECT_EQ(Utf16File::ReadLines(m_file), std::nullopt);
    EXPECT_FALSE(Utf16File::WriteText("Missing/Record.vellora", u"x"));
    EXPECT_FALSE(Utf16File::AppendLine("Missing/Record.vellora", u"x"));
    EXPECT_FALSE(fs::exists("Missing"));
}

TEST_F(Utf16FileTest, WriteTextReplacesTheFile)
{
    ASSERT_TRUE(Utf16File::WriteText(m_file, u"old"));
    fs::create_hard_link(m_file, "Config/Old.vellora");
    ASSERT_TRUE(Utf16File::WriteText(m_file, u"new"));
    EXPECT_EQ(Utf16File::ReadText("Config/Old.vellora"), QStringLiteral("old"));
    EXPECT_EQ(Utf16File::ReadText(m_file), QStringLiteral("new"));
}

} // namespace
