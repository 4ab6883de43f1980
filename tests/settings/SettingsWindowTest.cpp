#include "app/window/CVelloraDlg.h"
#include "settings/ui/DLG_Help.h"

#include "settings/SystemSettings.h"
#include "tests/support/ProgramFolder.h"

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
