#include "app/CVelloraDlg.h"
#include "settings/ui/DLG_Help.h"

#include "platform/Pause.h"
#include "settings/SystemSettings.h"
#include "settings/ui/dialogMask.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/ProgramFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include <gtest/gtest.h>

TEST(SettingsWindow, SecondTabIsTheSettingsPageWithLoadedSettings)
{
    ProgramFolder folder;
    SystemSettings::Store(SystemSettings::ThumbnailSizeKey, QStringLiteral("6"));

    CVelloraDlg window([] {});
    EXPECT_EQ(window.Tabs()->tabText(1), QStringLiteral("系统设置"));
    auto *page = qobject_cast<DLG_Help *>(window.Tabs()->widget(1));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->findChild<QLineEdit *>(QStringLiteral("thumbnailSize"))->text(), QStringLiteral("6"));
}

TEST(SettingsWindow, PleaseWaitWindowShowsTheProgramsTitleAndIcon)
{
    ProgramFolder folder;
    SetPauseScale(0.01);
    SystemSettings::Store(SystemSettings::ArchiveFolderKey, QStringLiteral("Backup"));
    std::filesystem::create_directory("Backup");

    CVelloraDlg window([] {});
    auto *page = qobject_cast<DLG_Help *>(window.Tabs()->widget(1));
    ASSERT_NE(page, nullptr);
    QSignalSpy finished(page, &DLG_Help::ArchiveFinished);
    MessageBoxAnswer answer(QMessageBox::Yes);
    page->findChild<QPushButton *>(QStringLiteral("archive"))->click();

    auto *mask = page->findChild<dialogMask *>();
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->windowTitle(), QStringLiteral("Vellora"));
    EXPECT_EQ(mask->windowIcon().cacheKey(), window.windowIcon().cacheKey());
    EXPECT_TRUE(finished.wait(10000));
    SetPauseScale(1.0);
}
