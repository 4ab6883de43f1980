#include "CVelloraDlg.h"
#include "DLG_Help.h"

#include "ProgramFolder.h"
#include "SystemSettings.h"

#include <QLineEdit>
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
