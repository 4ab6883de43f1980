#include "photography/ShotFolder.h"
#include "photography/ui/TakePicturePreviewDlg.h"
#include "platform/Pause.h"

#include "tests/photography/PhotographyTestSupport.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/ProgramFolder.h"

#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class ShotReview : public testing::Test
{
protected:
    void SetUp() override { SetPauseScale(0.01); }
    void TearDown() override { SetPauseScale(1.0); }

    // The review of `shot` (a name in TempPicture) once its scan is done.
    std::unique_ptr<TakePicturePreviewDlg> open(const std::string &shot)
    {
        const QString path = QString::fromStdString((folder.Path() / "TempPicture" / shot).string());
        auto review = std::make_unique<TakePicturePreviewDlg>(path, QImage(), "TempPicture");
        review->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return review->scanFinished(); }, 10000));
        return review;
    }

    std::vector<QString> rows(const TakePicturePreviewDlg &review) const
    {
        std::vector<QString> paths;
        for (int row = 0; row < review.rowCount(); ++row)
            paths.push_back(review.rowPath(row));
        return paths;
    }

    ProgramFolder folder;
};

using Paths = std::vector<QString>;

} // namespace

// Only ".jpg" and ".jpeg" names, in any case, are shots; the rows come in
// name order (shooting order) and carry the relative path.
TEST_F(ShotReview, ListsJpegShotsInNameOrder)
{
    for (const char *name : {"c.png", "b.jpeg", "A.JPG"})
        SavePhoto(fs::path("TempPicture") / name);
    fs::create_directories("TempPicture/sub.jpg");
    auto review = open("A.JPG");
    EXPECT_EQ(rows(*review), (Paths{"TempPicture/A.JPG", "TempPicture/b.jpeg"}));

    struct Name
    {
        const char *name;
        bool shot;
    };
    for (const Name &n : {Name{"x.JPEG", true}, Name{"x.jpg", true}, Name{"a.b.jpg", true}, Name{"x.jpgx", false},
                          Name{"jpg", false}, Name{"x.png", false}, Name{"x.jpg.png", false}})
        EXPECT_EQ(IsShotFileName(n.name), n.shot) << n.name;
}

// Deleting asks first; on Yes the file goes and so does its row, whether
// the shot shown is the new one (full path) or a clicked row (relative
// path). A row whose file was removed from outside goes when clicked.
TEST_F(ShotReview, DeletingAndVanishedShotsTakeTheirRows)
{
    enum class Way { NewShot, ClickedRow, RemovedOutside };
    for (const Way way : {Way::NewShot, Way::ClickedRow, Way::RemovedOutside}) {
        SCOPED_TRACE(static_cast<int>(way));
        fs::remove_all("TempPicture");
        SavePhoto("TempPicture/IMG_0001.JPG", Qt::red);
        SavePhoto("TempPicture/IMG_0002.JPG", Qt::blue);
        auto review = open("IMG_0002.JPG");
        ASSERT_EQ(review->rowCount(), 2);
        MessageBoxAnswer yes(QMessageBox::Yes);
        switch (way) {
        case Way::NewShot:
            review->deleteCurrent();
            break;
        case Way::ClickedRow:
            review->clickRow(1);
            review->deleteCurrent();
            break;
        case Way::RemovedOutside:
            fs::remove("TempPicture/IMG_0002.JPG");
            review->clickRow(1);
            break;
        }
        EXPECT_FALSE(fs::exists("TempPicture/IMG_0002.JPG"));
        EXPECT_EQ(rows(*review), (Paths{"TempPicture/IMG_0001.JPG"}));
        EXPECT_EQ(review->selectedRow(), -1);
        if (way != Way::RemovedOutside) {
            ASSERT_EQ(yes.Boxes().size(), 1u);
            EXPECT_EQ(yes.Boxes()[0].text, "确定要删除该照片？");
            EXPECT_EQ(yes.Boxes()[0].defaultButton, QMessageBox::No);
        }
    }
}

// "No" keeps the shot and its row.
TEST_F(ShotReview, DeleteAnsweredNoKeepsTheShot)
{
    SavePhoto("TempPicture/IMG_0001.JPG");
    auto review = open("IMG_0001.JPG");
    MessageBoxAnswer no(QMessageBox::No);
    review->deleteCurrent();
    EXPECT_TRUE(fs::exists("TempPicture/IMG_0001.JPG"));
    EXPECT_EQ(review->rowCount(), 1);
}

// Stop shooting hands the first four listed shots on and leaves the others
// in TempPicture; with no rows nothing is handed on; go on shooting hands
// nothing on either.
TEST_F(ShotReview, StopShootingChoosesTheFirstFour)
{
    struct Case
    {
        int shots;
        bool stop;
        Paths chosen;
    };
    const Case cases[] = {
        {6, true, {"TempPicture/IMG_0001.JPG", "TempPicture/IMG_0002.JPG", "TempPicture/IMG_0003.JPG", "TempPicture/IMG_0004.JPG"}},
        {2, true, {"TempPicture/IMG_0001.JPG", "TempPicture/IMG_0002.JPG"}},
        {0, true, {}},
        {3, false, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.shots) + (c.stop ? " stop" : " go on"));
        fs::remove_all("TempPicture");
        fs::create_directories("TempPicture");
        for (int shot = c.shots; shot >= 1; --shot)
            SavePhoto(QStringLiteral("TempPicture/IMG_%1.JPG").arg(shot, 4, 10, QLatin1Char('0')).toStdString());
        SetChosenShots({"left over"});
        auto review = open("IMG_0001.JPG");
        ASSERT_EQ(review->rowCount(), c.shots);
        c.stop ? review->stopShooting() : review->goOnShooting();
        EXPECT_FALSE(review->isVisible());
        EXPECT_EQ(review->chosenShots(), c.chosen);
        if (c.stop) {
            EXPECT_EQ(ChosenShots(), c.chosen);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator("TempPicture"), fs::directory_iterator()), c.shots)
            << "the review moves no shot";
    }
}
