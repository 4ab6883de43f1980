#include "settings/ui/DLG_Help.h"

#include "desk/ProcessState.h"
#include "settings/SystemSettings.h"
#include "settings/ui/dialogMask.h"
#include "tests/settings/ArchiveScene.h"
#include "tests/support/MessageBoxAnswer.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const QString Question = QStringLiteral("确定要将软件目录内的照片进行归档处理吗？");
const QString PleaseWait = QStringLiteral("正在照片归档操作，请耐心等待，期间不要关闭软件.....");
const QString Done = QStringLiteral("完成照片归档操作，请重启软件。");

void ClickArchive(const DLG_Help &page)
{
    auto *button = page.findChild<QAbstractButton *>(QStringLiteral("archive"));
    ASSERT_NE(button, nullptr);
    button->click();
}

// A scene with the settings loaded, the archive folder chosen and a photo in
// each working folder, as at the end of an event.
struct EventOver
{
    EventOver()
    {
        SystemSettings::Load();
        SystemSettings::SaveArchiveFolder(QString::fromStdString(ArchiveScene::Archive.string()));
        for (const char *photo : {"Pic_S/s.jpg", "Pic_B/b.jpg", "Pic_P/p.jpg", "Pic_R/r.jpg"})
            WriteFile(photo, photo);
        WriteFile("Config/PictureNumber.ini", "[PictureNumber]\r\np=3\r\n");
    }
    ~EventOver() { AutoPrintRunning = false; }

    ArchiveScene scene;
};

QStringList Texts(const MessageBoxAnswer &answer)
{
    QStringList texts;
    for (const auto &box : answer.Boxes())
        texts << box.text;
    return texts;
}

} // namespace

TEST(ArchivePage, RefusedOrDeclinedArchiveTouchesNothing)
{
    const struct
    {
        const char *situation;
        bool autoPrinting;
        bool folderChosen;
        QMessageBox::StandardButton answer;
        QStringList boxes;
    } cases[] = {
        {"automatic printing runs", true, true, QMessageBox::Yes, {}},
        {"no archive folder", false, false, QMessageBox::Yes, {}},
        {"answered No", false, true, QMessageBox::No, {Question}},
    };
    for (const auto &c : cases) {
        EventOver event;
        AutoPrintRunning = c.autoPrinting;
        if (!c.folderChosen)
            SystemSettings::SaveArchiveFolder(QString());
        DLG_Help page;
        {
            MessageBoxAnswer answer(c.answer);
            ClickArchive(page);
            QTest::qWait(30);
            EXPECT_EQ(Texts(answer), c.boxes) << c.situation;
        }
        EXPECT_EQ(page.findChild<dialogMask *>(), nullptr) << c.situation;
        EXPECT_EQ(FilesBelow("Pic_R"), std::vector<std::string>{"r.jpg"}) << c.situation;
        EXPECT_TRUE(FilesBelow(ArchiveScene::Archive).empty()) << c.situation;
        EXPECT_TRUE(fs::exists("Config/PictureNumber.ini")) << c.situation;
    }
}

TEST(ArchivePage, ArchiveAsksShowsThePleaseWaitWindowAndEndsWithTheRestartMessage)
{
    EventOver event;
    DLG_Help page;
    page.show();
    QSignalSpy finished(&page, &DLG_Help::ArchiveFinished);
    MessageBoxAnswer answer(QMessageBox::Yes);
    ClickArchive(page);

    ASSERT_EQ(answer.Boxes().size(), 1u);
    EXPECT_EQ(answer.Boxes()[0].title, QStringLiteral("提示"));
    EXPECT_EQ(answer.Boxes()[0].text, Question);
    EXPECT_EQ(answer.Boxes()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answer.Boxes()[0].defaultButton, QMessageBox::No);

    auto *mask = page.findChild<dialogMask *>();
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->isVisible());
    EXPECT_TRUE(mask->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(mask->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(mask->Text(), PleaseWait);
    // The operator cannot close it while the archive runs.
    mask->close();
    EXPECT_TRUE(mask->isVisible());

    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(Texts(answer), (QStringList{Question, Done}));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 4);
    EXPECT_EQ(finished.at(0).at(1).toInt(), 0);
    EXPECT_FALSE(mask->isVisible());
    auto *bar = mask->findChild<QProgressBar *>(QStringLiteral("archiveProgress"));
    EXPECT_EQ(bar->value(), 4);
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(mask->findChild<QLabel *>(QStringLiteral("archiveCount"))->text(), QStringLiteral("已归档 4 / 4 张照片"));

    EXPECT_EQ(FilesBelow(ArchiveScene::Archive),
              (std::vector<std::string>{"20190605/Pic_B/b.jpg", "20190605/Pic_P/p.jpg", "20190605/Pic_R/r.jpg",
                                        "20190605/Pic_S/s.jpg"}));
    EXPECT_FALSE(fs::exists("Config/PictureNumber.ini"));
}

TEST(ArchivePage, PhotosLeftInTheWorkingFoldersAreReported)
{
    EventOver event;
    WriteFile("Pic_P/p2.jpg", "p2");
    WriteFile("Pic_B/b2.jpg", "b2");
    PermissionsEnforced enforced;
    if (!MakeReadOnly("Pic_P"))
        GTEST_SKIP() << "this process writes into read-only folders";
    DLG_Help page;
    QSignalSpy finished(&page, &DLG_Help::ArchiveFinished);
    MessageBoxAnswer answer(QMessageBox::Yes);
    ClickArchive(page);

    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(Texts(answer),
              (QStringList{Question, QStringLiteral("照片归档操作结束，有 2 张照片未能移动，仍留在软件目录内，请检查后重启软件。")}));
    EXPECT_EQ(FilesBelow("Pic_P"), (std::vector<std::string>{"p.jpg", "p2.jpg"}));
    EXPECT_EQ(page.findChild<QLabel *>(QStringLiteral("archiveCount"))->text(),
              QStringLiteral("已归档 4 / 6 张照片，2 张未能移动"));
}

TEST(ArchivePage, FoldersNamingAWorkingFolderAreRefused)
{
    const struct
    {
        const char *chosen;
        bool taken;
    } cases[] = {
        {"D:/Backup/Pic_Test", false}, {"/mnt/Pic_P/event", false}, {"/data/Pic_Backup", false},
        {"/Pic_R", false},             {"/home/op/xPic_Sx", false}, {"/backup/pic_test", true},
        {"/backup/Pictures", true},
    };
    EventOver event;
    for (const auto &c : cases) {
        SystemSettings::SaveArchiveFolder(QStringLiteral("/before"));
        DLG_Help page;
        page.SetFolderChooser([&](QWidget *, const QString &) { return QString::fromUtf8(c.chosen); });
        MessageBoxAnswer answer(QMessageBox::Ok);
        page.findChild<QAbstractButton *>(QStringLiteral("choose_archiveFolder"))->click();

        const QString expected = c.taken ? QString::fromUtf8(c.chosen) : QStringLiteral("/before");
        EXPECT_EQ(SystemSettings::ArchiveFolder(), expected) << c.chosen;
        EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::ArchiveFolderKey, {}), expected) << c.chosen;
        EXPECT_EQ(Texts(answer), c.taken ? QStringList{} : QStringList{QStringLiteral("不能选择软件内部目录，请重新选择。")})
            << c.chosen;
    }
}
