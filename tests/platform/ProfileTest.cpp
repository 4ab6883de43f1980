#include "platform/Profile.h"

#include "tests/platform/FileBytes.h"
#include "tests/support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

QByteArray Utf16(const char16_t *text)
{
    const QString string = QString::fromUtf16(text);
    QByteArray bytes;
    for (QChar c : string)
        bytes.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    return bytes;
}

struct Change
{
    enum class Kind { Write, DeleteSection };
    Kind kind;
    QString section;
    QString key;
    QString value;
};

Change Write(const QString &section, const QString &key, const QString &value)
{
    return {Change::Kind::Write, section, key, value};
}

Change Delete(const QString &section)
{
    return {Change::Kind::DeleteSection, section, QString(), QString()};
}

// One behaviour of the INI files: the file before, the changes made, one
// read afterwards and, where it matters, the exact bytes on disk.
struct ProfileCase
{
    const char *name;
    std::optional<QByteArray> before = std::nullopt; // none: no file
    std::vector<Change> changes = {};
    QString readSection = {};
    QString readKey = {};
    QString expected = {};
    std::optional<QByteArray> after = std::nullopt; // none: not checked
    int bufferSize = 100;
    const char *file = "Config/Test.ini";
    bool changesSucceed = true;
};

// Test names and failure messages show the row's name instead of its bytes.
void PrintTo(const ProfileCase &row, std::ostream *out)
{
    *out << row.name;
}

const QString kFallback = QStringLiteral("Error");

class ProfileSemantics : public testing::TestWithParam<ProfileCase>
{
protected:
    ProgramFolder m_folder;
};

TEST_P(ProfileSemantics, ReadsAndWritesByTheProfileRules)
{
    const ProfileCase &row = GetParam();
    const fs::path file = row.file;
    if (row.before)
        SetFileBytes(file, *row.before);

    for (const Change &change : row.changes) {
        const bool done = change.kind == Change::Kind::Write
            ? Profile::Write(file, change.section, change.key, change.value)
            : Profile::DeleteSection(file, change.section);
        EXPECT_EQ(done, row.changesSucceed);
    }

    EXPECT_EQ(Profile::Read(file, row.readSection, row.readKey, kFallback, row.bufferSize), row.expected);
    if (row.after) {
        EXPECT_EQ(FileBytes(file), row.after);
    }
    if (!row.changesSucceed) {
        EXPECT_FALSE(fs::exists(file.parent_path()));
        EXPECT_FALSE(fs::exists(file));
    }
}

const QString k150 = QString(150, QLatin1Char('x'));

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileSemantics,
    testing::Values(
        ProfileCase{.name = "NamesWithoutCase",
                    .before = "[System]\r\nAction=Start\r\n",
                    .readSection = "SYSTEM",
                    .readKey = "action",
                    .expected = "Start"},
        ProfileCase{.name = "BlanksTrimmed",
                    .before = "  [ System ]  \r\n\t Action  =  Start \t\r\n",
                    .readSection = "System",
                    .readKey = "Action",
                    .expected = "Start"},
        ProfileCase{.name = "WriteFindsKeyDespiteCaseAndBlanks",
                    .before = "[System]\r\nAction=Start\r\n",
                    .changes = {Write(" system ", " ACTION ", "  Close  ")},
                    .readSection = "System",
                    .readKey = "Action",
                    .expected = "Close",
                    .after = "[System]\r\nAction=Close\r\n"},
        ProfileCase{.name = "ValueCutToBufferSizeLessOne",
                    .before = ("[S]\r\nK=" + k150 + "\r\n").toLatin1(),
                    .readSection = "S",
                    .readKey = "K",
                    .expected = QString(99, QLatin1Char('x'))},
        ProfileCase{.name = "FallbackCutToBufferSizeLessOne",
                    .readSection = "S",
                    .readKey = "K",
                    .expected = "Er",
                    .bufferSize = 3},
        ProfileCase{.name = "MissingFileGivesFallback", .readSection = "System", .readKey = "Action", .expected = kFallback},
        ProfileCase{.name = "MissingSectionGivesFallback",
                    .before = "[A]\r\nK=1\r\n",
                    .readSection = "B",
                    .readKey = "K",
                    .expected = kFallback},
        ProfileCase{.name = "MissingKeyGivesFallback",
                    .before = "[A]\r\nK=1\r\nJ\r\n",
                    .readSection = "A",
                    .readKey = "J",
                    .expected = kFallback},
        ProfileCase{.name = "EmptyValueIsNotMissing",
                    .before = "[A]\r\nK=\r\n",
                    .readSection = "A",
                    .readKey = "K",
                    .expected = ""},
        ProfileCase{.name = "MatchingQuotesStripped",
                    .before = "[A]\r\nK= \"a b\" \r\nL='x\"\r\n",
                    .readSection = "A",
                    .readKey = "K",
                    .expected = "a b"},
        ProfileCase{.name = "UnmatchedQuotesKept",
                    .before = "[A]\r\nL='x\"\r\n",
                    .readSection = "A",
                    .readKey = "L",
                    .expected = "'x\""},
        ProfileCase{.name = "FirstOfTwoSameSectionsWins",
                    .before = "[A]\r\nK=1\r\n[a]\r\nK=2\r\n",
                    .changes = {Write("A", "L", "3")},
                    .readSection = "A",
                    .readKey = "K",
                    .expected = "1",
                    .after = "[A]\r\nK=1\r\nL=3\r\n[a]\r\nK=2\r\n"},
        ProfileCase{.name = "WriteIntoMissingFolderWritesNothing",
                    .changes = {Write("System", "Action", "Start")},
                    .readSection = "System",
                    .readKey = "Action",
                    .expected = kFallback,
                    .file = "Missing/Sys.ini",
                    .changesSucceed = false},
        ProfileCase{.name = "NewFileIsCodePage936WithCrLf",
                    .changes = {Write("日志", "Code", "打开软件")},
                    .readSection = "日志",
                    .readKey = "code",
                    .expected = "打开软件",
                    .after = QByteArray("[\xC8\xD5\xD6\xBE]\r\nCode=\xB4\xF2\xBF\xAA\xC8\xED\xBC\xFE\r\n")},
        ProfileCase{.name = "Utf16FileStaysUtf16",
                    .before = "\xFF\xFE" + Utf16(u"[S]\r\nK=1\r\n"),
                    .changes = {Write("S", "K", "值"), Write("T", "X", "2"), Write("S", "L", "3")},
                    .readSection = "S",
                    .readKey = "K",
                    .expected = "值",
                    .after = "\xFF\xFE" + Utf16(u"[S]\r\nK=值\r\nL=3\r\n[T]\r\nX=2\r\n")},
        ProfileCase{.name = "NewKeyAfterLastEntryOfItsSection",
                    .before = "[A]\r\nK=1\r\n\r\n[B]\r\nK=2\r\n",
                    .changes = {Write("A", "L", "3")},
                    .readSection = "A",
                    .readKey = "L",
                    .expected = "3",
                    .after = "[A]\r\nK=1\r\nL=3\r\n\r\n[B]\r\nK=2\r\n"},
        ProfileCase{.name = "NewSectionAtEndOfFileWithoutLastLineEnd",
                    .before = "[A]\r\nK=1",
                    .changes = {Write("B", "K", "2")},
                    .readSection = "B",
                    .readKey = "K",
                    .expected = "2",
                    .after = "[A]\r\nK=1\r\n[B]\r\nK=2\r\n"},
        ProfileCase{.name = "UntouchedLinesKeepTheirBytesAndLineEnds",
                    .before = QByteArray("; \xE5\xA4\x87 utf-8 note\n[A]\nK=1\n"),
                    .changes = {Write("A", "K", "2"), Write("A", "L", "3")},
                    .readSection = "A",
                    .readKey = "K",
                    .expected = "2",
                    .after = QByteArray("; \xE5\xA4\x87 utf-8 note\n[A]\nK=2\nL=3\n")},
        ProfileCase{.name = "LineBreaksInValueCannotAddSections",
                    .changes = {Write("A", "K", "x\r\n[B]\nY=1")},
                    .readSection = "B",
                    .readKey = "Y",
                    .expected = kFallback,
                    .after = "[A]\r\nK=x  [B] Y=1\r\n"},
        ProfileCase{.name = "DeleteSectionRemovesEverySectionOfThatName",
                    .before = "[A]\r\nK=1\r\n[B]\r\nK=2\r\n[a]\r\nK=3\r\n",
                    .changes = {Delete(" a ")},
                    .readSection = "A",
                    .readKey = "K",
                    .expected = kFallback,
                    .after = "[B]\r\nK=2\r\n"},
        ProfileCase{.name = "DeleteOfMissingSectionChangesNothing",
                    .before = "[B]\r\nK=2",
                    .changes = {Delete("A")},
                    .readSection = "B",
                    .readKey = "K",
                    .expected = "2",
                    .after = "[B]\r\nK=2"}),
    [](const testing::TestParamInfo<ProfileCase> &info) { return std::string(info.param.name); });

// How a write reaches the disk: edits replace the file, new sections append,
// and nothing happens when nothing changes.
class ProfileFile : public testing::Test
{
protected:
    static ino_t Inode(const fs::path &file)
    {
        struct stat info {};
        EXPECT_EQ(::stat(file.c_str(), &info), 0);
        return info.st_ino;
    }

    ProgramFolder m_folder;
    const fs::path m_file = "Config/Test.ini";
    const fs::path m_link = "Config/Old.ini";
};

TEST_F(ProfileFile, EditsReplaceTheFileSoAnOldLinkKeepsTheOldText)
{
    ASSERT_TRUE(Profile::Write(m_file, "A", "K", "1"));
    for (const auto &[key, value] : {std::pair("K", "2"), std::pair("L", "3")}) {
        const QByteArray before = *FileBytes(m_file);
        const ino_t inode = Inode(m_file);
        fs::remove(m_link);
        fs::create_hard_link(m_file, m_link);

        ASSERT_TRUE(Profile::Write(m_file, "A", key, value));

        EXPECT_EQ(FileBytes(m_link), before) << key;
        EXPECT_NE(Inode(m_file), inode) << key;
    }
    fs::remove(m_link);
    fs::create_hard_link(m_file, m_link);
    ASSERT_TRUE(Profile::DeleteSection(m_file, "A"));
    EXPECT_EQ(FileBytes(m_file), QByteArray());
    EXPECT_EQ(FileBytes(m_link), "[A]\r\nK=2\r\nL=3\r\n");
    // No temporary file is left next to it.
    EXPECT_EQ(std::distance(fs::directory_iterator("Config"), fs::directory_iterator()), 2);
}

TEST_F(ProfileFile, NewSectionAppendsAndAnUnchangedValueDoesNotWrite)
{
    ASSERT_TRUE(Profile::Write(m_file, "A", "K", "1"));
    const ino_t inode = Inode(m_file);
    fs::create_hard_link(m_file, m_link);

    ASSERT_TRUE(Profile::Write(m_file, "B", "K", "2"));
    EXPECT_EQ(Inode(m_file), inode);
    EXPECT_EQ(FileBytes(m_file), "[A]\r\nK=1\r\n[B]\r\nK=2\r\n");

    const auto modified = fs::last_write_time(m_file);
    fs::remove(m_link);
    ASSERT_TRUE(Profile::Write(m_file, "a", "k", " 1 "));
    EXPECT_EQ(Inode(m_file), inode);
    EXPECT_EQ(fs::last_write_time(m_file), modified);
}

TEST_F(ProfileFile, SeesChangesMadeByOthers)
{
    ASSERT_TRUE(Profile::Write(m_file, "A", "K", "1"));
    EXPECT_EQ(Profile::Read(m_file, "A", "K", kFallback), "1");

    SetFileBytes(m_file, "[A]\r\nK=22\r\n");
    EXPECT_EQ(Profile::Read(m_file, "A", "K", kFallback), "22");
    ASSERT_TRUE(Profile::Write(m_file, "B", "K", "3"));
    EXPECT_EQ(FileBytes(m_file), "[A]\r\nK=22\r\n[B]\r\nK=3\r\n");

    fs::remove(m_file);
    EXPECT_EQ(Profile::Read(m_file, "A", "K", kFallback), kFallback);
    ASSERT_TRUE(Profile::Write(m_file, "C", "K", "4"));
    EXPECT_EQ(FileBytes(m_file), "[C]\r\nK=4\r\n");
}

TEST_F(ProfileFile, SameFileByAnotherPathSharesItsState)
{
    ASSERT_TRUE(Profile::Write(m_file, "A", "K", "1"));
    const fs::path absolute = fs::absolute("Config/../Config/./Test.ini");
    ASSERT_TRUE(Profile::Write(absolute, "A", "L", "2"));
    EXPECT_EQ(Profile::Read(m_file, "A", "L", kFallback), "2");
    EXPECT_EQ(FileBytes(m_file), "[A]\r\nK=1\r\nL=2\r\n");
}

} // namespace
