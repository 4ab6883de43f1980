#include "photography/CombinationPrint.h"

#include "desk/WorkingFolders.h"
#include "compose/GridComposition.h"
#include "intake/PhotoListModel.h"
#include "intake/PhotoQueue.h"
#include "photography/CombinationCompose.h"
#include "photography/CombinationSettings.h"
#include "platform/FileIo.h"
#include "tests/support/ProgramFolder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const fs::path Combined = fs::path("CombinationTempPicture") / "tempJPG.jpg";
const QDateTime At(QDate(2024, 3, 5), QTime(9, 7, 5));
const QString Name = QStringLiteral("2024030509075");

TEST(CombinationNamesTest, TimeNameAndCopies)
{
    const std::pair<QDateTime, const char *> names[] = {
        {At, "2024030509075"},
        {QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)), "20241231235959"},
        {QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0)), "2025010100000"},
    };
    for (const auto &[time, name] : names)
        EXPECT_EQ(CombinationPictureName(time), QString::fromLatin1(name));
    const std::pair<const char *, int> copies[] = {{"", 1}, {"0", 1}, {"1", 1}, {"3", 3}, {"12x", 12}, {"x", 1},
                                                   {"99", 99}, {"100", 99}, {"999999", 99}};
    for (const auto &[typed, count] : copies)
        EXPECT_EQ(CombinationCopies(QString::fromLatin1(typed)), count) << typed;
}

class CombinationPrintTest : public testing::Test
{
protected:
    CombinationPrintTest()
    {
        CreateWorkingFolders();
        MakeCombined();
    }

    static void MakeCombined()
    {
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        ASSERT_TRUE(picture.save(QString::fromStdString(Combined.string()), "jpeg"));
    }

    static void Shot(const char *name, const char *content = "shot")
    {
        std::ofstream(fs::path("TempPicture") / name) << content;
    }

    static std::string Contents(const fs::path &file)
    {
        const std::optional<FileIo::Contents> contents = FileIo::ReadAll(file);
        return contents ? std::string(contents->bytes.constData(), contents->bytes.size()) : std::string("<none>");
    }

    QStringList PendingNames()
    {
        QStringList names;
        for (int row = 0; row < queue.Pending().RowCount(); ++row)
            names.append(queue.Pending().Text(row, 1));
        return names;
    }

    ProgramFolder folder;
    PhotoQueue queue{QSize(9, 6)};
};

TEST_F(CombinationPrintTest, CopiesBeyondTheFirstGoToTheInfoFile)
{
    const fs::path info = fs::path("CombinationAddPrint") / (Name.toStdString() + ".vellora");
    const struct
    {
        int copies;
        std::string infoBytes; // empty: no file
    } cases[] = {
        {0, ""},
        {-2, ""},
        {1, ""},
        {3, std::string("2\0\n\0", 4)},
        {12, std::string("1\0" "1\0\n\0", 6)},
        {999999, std::string("9\0" "8\0\n\0", 6)}, // cut to the copy limit
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.copies);
        queue.Pending().Clear();
        fs::remove(fs::path("Pic_P") / (Name.toStdString() + ".jpg"));
        fs::remove(info);
        MakeCombined();
        ASSERT_TRUE(PrintCombination(Combined, c.copies, {}, queue, At));
        EXPECT_EQ(PendingNames(), QStringList{Name + QStringLiteral(".jpg")});
        EXPECT_TRUE(fs::exists(fs::path("Pic_P") / (Name.toStdString() + ".jpg")));
        EXPECT_FALSE(fs::exists(Combined));
        if (c.infoBytes.empty())
            EXPECT_FALSE(fs::exists(info));
        else
            EXPECT_EQ(Contents(info), c.infoBytes);
    }
}

TEST_F(CombinationPrintTest, ANameAlreadyPendingIsNotListedTwice)
{
    queue.AddPendingItem(Name + QStringLiteral(".jpg"), QStringLiteral("Pic_P/") + Name + QStringLiteral(".jpg"), 0);
    ASSERT_TRUE(PrintCombination(Combined, 2, {}, queue, At));
    EXPECT_EQ(PendingNames(), QStringList{Name + QStringLiteral(".jpg")});
}

// A second guest's IMG_0002.JPG never replaces the first guest's original.
TEST_F(CombinationPrintTest, ShotsMoveIntoPicSBesideOriginalsOfTheSameName)
{
    Shot("IMG_0001.JPG", "first");
    Shot("IMG_0002.JPG", "second");
    std::ofstream("Pic_S/IMG_0002.JPG") << "older";
    // Vertical double lists each shot twice; the second move finds nothing.
    const std::vector<QString> shots = {"TempPicture/IMG_0001.JPG", "TempPicture/IMG_0001.JPG",
                                        "TempPicture/IMG_0002.JPG", "TempPicture/IMG_0002.JPG"};
    ASSERT_TRUE(PrintCombination(Combined, 1, shots, queue, At));
    EXPECT_EQ(Contents("Pic_S/IMG_0001.JPG"), "first");
    EXPECT_EQ(Contents("Pic_S/IMG_0002.JPG"), "older");
    EXPECT_EQ(Contents("Pic_S/IMG_0002-2.JPG"), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator("Pic_S"), fs::directory_iterator()), 3);
    EXPECT_TRUE(fs::is_empty("TempPicture"));
}

TEST_F(CombinationPrintTest, AnEarlierPictureOfTheSameNameIsNeverReplaced)
{
    std::ofstream(fs::path("Pic_P") / (Name.toStdString() + ".jpg")) << "earlier";
    Shot("IMG_0001.JPG");
    EXPECT_FALSE(PrintCombination(Combined, 3, {"TempPicture/IMG_0001.JPG"}, queue, At));
    EXPECT_EQ(Contents(fs::path("Pic_P") / (Name.toStdString() + ".jpg")), "earlier");
    EXPECT_TRUE(fs::exists(Combined));
    EXPECT_TRUE(fs::exists("TempPicture/IMG_0001.JPG"));
    EXPECT_TRUE(PendingNames().isEmpty());
    EXPECT_TRUE(fs::is_empty("CombinationAddPrint"));
}

} // namespace

namespace {

// Which template a composition takes and how it lists the shots.
TEST_F(CombinationPrintTest, CompositionTakesTheTemplateForTheShotCount)
{
    for (const char *shot : {"a.jpg", "b.jpg"}) {
        QImage picture(400, 300, QImage::Format_RGB32);
        picture.fill(Qt::red);
        ASSERT_TRUE(picture.save(QString::fromLatin1(shot), "jpeg"));
    }
    // No template for two shots: the operator is told which to choose.
    CombinationComposition none = ComposeCombination({"a.jpg", "b.jpg"}, kCombinationVerticalDouble, 90);
    EXPECT_FALSE(none.composed);
    EXPECT_TRUE(none.problem.contains(QStringLiteral("二宫格"))) << none.problem.toStdString();
    EXPECT_EQ(none.shots, (std::vector<QString>{"a.jpg", "b.jpg"}));

    // A four-window template kept for two shots: vertical double fills it.
    QImage frame(800, 600, QImage::Format_ARGB32);
    frame.fill(Qt::white);
    for (const QRect window : {QRect(40, 40, 300, 200), QRect(400, 40, 300, 200), QRect(40, 300, 300, 200),
                               QRect(400, 300, 300, 200)})
        for (int y = window.top(); y <= window.bottom(); ++y)
            for (int x = window.left(); x <= window.right(); ++x)
                frame.setPixel(x, y, qRgba(0, 0, 0, 0));
    ASSERT_TRUE(frame.save(QStringLiteral("four.png")));
    WriteCombinationTemplate(2, QStringLiteral("four.png"));
    CombinationComposition doubled = ComposeCombination({"a.jpg", "b.jpg"}, kCombinationVerticalDouble, 90);
    EXPECT_TRUE(doubled.composed) << doubled.problem.toStdString();
    EXPECT_EQ(doubled.shots, (std::vector<QString>{"a.jpg", "a.jpg", "b.jpg", "b.jpg"}));
    const QImage out(QString::fromStdString(GridOutputPath().string()));
    EXPECT_EQ(out.pixelColor(QPoint(190, 400)).red() > 200 && out.pixelColor(QPoint(190, 400)).green() < 60, true);

    // The same template in the default mode has more windows than two shots:
    // the analysis merges them, and the two shots fill the first two.
    CombinationComposition plain = ComposeCombination({"a.jpg", "b.jpg"}, 0, 90);
    EXPECT_EQ(plain.shots, (std::vector<QString>{"a.jpg", "b.jpg"}));
}

} // namespace
