#include "intake/ReprintTexts.h"
#include "intake/SetupGuidance.h"

#include <gtest/gtest.h>

// Each step set up in order moves the guidance on to the next; a later step
// done early never skips an earlier one.
TEST(SetupGuidance, NamesTheFirstMissingStepInSetUpOrder)
{
    struct Case
    {
        SetupState state;
        const char *startsWith;
    };
    const Case cases[] = {
        {{.printers = 0}, "未找到打印机"},
        {{.printers = -1}, "开始前（1/5）"},
        {{.frameFile = true, .paperSize = true, .printers = 2, .printerChosen = true}, "开始前（1/5）"},
        {{.sourceFolder = true, .printers = 2}, "开始前（2/5）"},
        {{.sourceFolder = true, .frameFile = true, .printers = 2, .printerChosen = true}, "开始前（3/5）"},
        {{.sourceFolder = true, .frameFile = true, .paperSize = true, .printers = 2}, "开始前（4/5）"},
        {{.sourceFolder = true, .frameFile = true, .paperSize = true, .printers = 2, .printerChosen = true}, "准备就绪（5/5）"},
        {{.sourceFolder = true, .frameFile = true, .paperSize = true, .printers = 0, .printerChosen = true}, "未找到打印机"},
    };
    for (const Case &test : cases) {
        const QString guidance = SetupGuidance(test.state);
        EXPECT_TRUE(guidance.startsWith(QString::fromUtf8(test.startsWith))) << guidance.toStdString();
        EXPECT_TRUE(IsRestingHint(guidance)) << guidance.toStdString();
    }
    EXPECT_TRUE(SetupGuidance({.printers = 0, .printing = true}).isEmpty());
}

TEST(SetupGuidance, GivesWayToEverythingButTheRestingHints)
{
    for (const QString &resting : {QString(), QStringLiteral(" "), ReprintText::FirstHowTo, ReprintText::ReprintHowTo})
        EXPECT_TRUE(IsRestingHint(resting)) << resting.toStdString();
    for (const QString &news : {ReprintText::NotFound, ReprintText::ListsRestoring, ReprintText::Added("A", "2")})
        EXPECT_FALSE(IsRestingHint(news)) << news.toStdString();
}
