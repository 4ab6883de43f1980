#include "compose/ui/VelloraPictureBox.h"
#include "photography/CombinationSettings.h"
#include "photography/ui/Take_Pictures.h"
#include "platform/Profile.h"

#include "tests/photography/PhotographyTestSupport.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/ProgramFolder.h"

#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

QString EditText(const Take_Pictures &page, int id)
{
    return static_cast<QLineEdit *>(page.control(id))->text();
}

int ComboIndex(const Take_Pictures &page, int id)
{
    return static_cast<QComboBox *>(page.control(id))->currentIndex();
}

void WriteSettings(const std::string &text)
{
    std::ofstream("Config/CombinationSeting.ini") << text;
}

class PhotographySettings : public testing::Test
{
protected:
    void TearDown() override
    {
        CombinationMode = 0;
        CaptureWaitTime = 0;
    }
    ProgramFolder folder;
};

} // namespace

// What the page shows at its start for what the file holds: a missing
// section leaves its edit and preview empty, "Error" counts as absent, and
// a number the combo does not offer leaves it without selection while the
// value is used all the same.
TEST_F(PhotographySettings, PageStartShowsWhatTheFileHolds)
{
    SaveTemplate("one.png", {200, 150}, {{30, 40, 100, 60}});
    SaveTemplate("three.png", {200, 150}, {{30, 40, 100, 60}});
    WriteSettings("[CombinationTemplateOne]\r\npath=one.png\r\n"
                  "[CombinationTemplateThree]\r\npath=three.png\r\n"
                  "[CombinationTemplateFour]\r\npath=Error\r\n"
                  "[TemplateCombinationMode]\r\nCombinationMode=1\r\n"
                  "[CombinationCaptureWaitTime]\r\nCaptureWaitTime=12\r\n");
    Take_Pictures page;
    EXPECT_EQ(EditText(page, Take_Pictures::kOneCellEdit), "one.png");
    EXPECT_EQ(EditText(page, Take_Pictures::kTwoCellEdit), "") << "no CombinationTemplateTwo section";
    EXPECT_EQ(EditText(page, Take_Pictures::kThreeCellEdit), "three.png");
    EXPECT_EQ(EditText(page, Take_Pictures::kFourCellEdit), "") << "\"Error\" is absent";
    EXPECT_FALSE(page.preview(1)->Image().isNull());
    EXPECT_TRUE(page.preview(2)->Image().isNull());
    EXPECT_TRUE(page.preview(4)->Image().isNull());
    EXPECT_EQ(ComboIndex(page, Take_Pictures::kMode), 1);
    EXPECT_EQ(CombinationMode, 1);
    EXPECT_EQ(ComboIndex(page, Take_Pictures::kWait), -1);
    EXPECT_EQ(CaptureWaitTime, 12);
    EXPECT_EQ(ComboIndex(page, Take_Pictures::kBrand), 0);
}

// A template path of 120 characters is stored whole and read back whole at
// the next start.
TEST_F(PhotographySettings, LongTemplatePathIsReadBackWhole)
{
    const std::string base = (folder.Path() / "t").string();
    ASSERT_LT(base.size() + 6, 120u);
    const fs::path path = base + std::string(120 - base.size() - 4, 'x') + ".png";
    ASSERT_EQ(path.string().size(), 120u);
    SaveTemplate(path, {200, 150}, {{30, 40, 100, 60}});
    {
        Take_Pictures page;
        ASSERT_TRUE(page.chooseTemplate(1, QString::fromStdString(path.string())));
        EXPECT_EQ(page.templatePath(1).size(), 120);
    }
    EXPECT_EQ(Profile::Read("Config/CombinationSeting.ini", "CombinationTemplateOne", "path", "", 1000).size(), 120);
    Take_Pictures again;
    EXPECT_EQ(EditText(again, Take_Pictures::kOneCellEdit), QString::fromStdString(path.string()));
}

// Choosing a template checks its windows against the cell count of the mode:
// a two-window file is refused for two cells in vertical double mode (which
// needs four) and accepted in default mode; a refusal changes nothing.
TEST_F(PhotographySettings, TemplateWindowsMustMatchTheMode)
{
    SaveTemplate("two.png", {300, 150}, {{30, 40, 100, 60}, {160, 40, 100, 60}});
    SaveTemplate("fourstack.png", {300, 260}, {{30, 20, 100, 60}, {160, 20, 100, 60}, {30, 140, 100, 60}, {160, 140, 100, 60}});
    struct Case
    {
        int mode;
        const char *file;
        bool accepted;
    };
    // Only too few windows are refused: more than expected merge into the last one, as the analysis does.
    const Case cases[] = {{1, "two.png", false}, {0, "two.png", true}, {1, "fourstack.png", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " in mode " + std::to_string(c.mode));
        fs::remove("Config/CombinationSeting.ini");
        Take_Pictures page;
        static_cast<QComboBox *>(page.control(Take_Pictures::kMode))->setCurrentIndex(c.mode);
        MessageBoxAnswer ok(QMessageBox::Ok);
        EXPECT_EQ(page.chooseTemplate(2, c.file), c.accepted);
        EXPECT_EQ(EditText(page, Take_Pictures::kTwoCellEdit), c.accepted ? c.file : "");
        EXPECT_EQ(ReadCombinationTemplate(2), c.accepted ? c.file : "");
        EXPECT_EQ(page.preview(2)->Image().isNull(), !c.accepted);
        ASSERT_EQ(ok.Boxes().size(), c.accepted ? 0u : 1u);
        if (!c.accepted) {
            EXPECT_EQ(ok.Boxes()[0].text, "未能正确获取透明区域，请检查一下相框模板。");
        }
        EXPECT_EQ(ReadCombinationSettings().mode, c.mode == 0 ? std::optional<int>() : std::optional<int>(1))
            << "a changed mode is written at once";
    }
}

// The combos write their index at once; the brand is written but never read.
TEST_F(PhotographySettings, CombosWriteTheirIndex)
{
    Take_Pictures page;
    static_cast<QComboBox *>(page.control(Take_Pictures::kWait))->setCurrentIndex(3);
    EXPECT_EQ(CaptureWaitTime, 3);
    EXPECT_EQ(ReadCombinationSettings().waitTime, 3);
    Take_Pictures again;
    EXPECT_EQ(ComboIndex(again, Take_Pictures::kWait), 3);
}
