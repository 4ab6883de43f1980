#include "compose/ui/DlgTemplateSet.h"

#include "compose/ImageFiles.h"
#include "compose/PictureNumber.h"
#include "compose/SinglePhoto.h"
#include "compose/ui/ColorButton.h"
#include "platform/Profile.h"
#include "tests/compose/TestImages.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/ProgramFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// 100 x 70 mm: a paper of 377 x 264 screen pixels, a canvas of 1889 x 1322.
constexpr int PaperW = 100;
constexpr int PaperH = 70;

QString Stored(const char *key)
{
    return Profile::Read(TemplateSettingsFile, QStringLiteral("TemplateSeting"), QString::fromLatin1(key), QStringLiteral("Error"));
}

class DlgTemplateSetTest : public testing::Test
{
protected:
    void SetUp() override
    {
        CurrentTemplateSettings.Set(TemplateSettings());
        NewTemplateChosen = false;
        TemplateReloadRequested = false;
        PictureCounter = 0;
        SaveFrameWithWindow(QStringLiteral("frame.png"), {300, 200}, {40, 30, 200, 120});
    }

    void TearDown() override
    {
        CurrentTemplateSettings.Set(TemplateSettings());
        NewTemplateChosen = false;
        TemplateReloadRequested = false;
    }

    // An open dialog whose template is read and whose sample label is placed.
    static std::unique_ptr<DlgTemplateSet> Open(const std::filesystem::path &frame = "frame.png")
    {
        auto dialog = std::make_unique<DlgTemplateSet>(frame, ".", PaperW, PaperH);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->ImagesReady() && dialog->LabelPlaced(); }));
        return dialog;
    }

    template <typename T>
    static T *Control(const DlgTemplateSet &dialog, const char *name)
    {
        T *control = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    static QString Text(const DlgTemplateSet &dialog, const char *name) { return Control<QLineEdit>(dialog, name)->text(); }

    // Clicks "保存" and answers the confirmation; returns what it said.
    static QString Save(DlgTemplateSet &dialog)
    {
        MessageBoxAnswer answer(QMessageBox::Ok);
        Control<QPushButton>(dialog, "save")->click();
        return answer.Boxes().empty() ? QString() : answer.Boxes().front().text;
    }

    ProgramFolder m_folder;
};

TEST_F(DlgTemplateSetTest, FieldsOnOpenWithAndWithoutANewTemplate)
{
    TemplateSettings stored;
    stored.Proportion = 0.42f;
    stored.LeftRec = 12;
    stored.TopRec = 34;
    stored.TextSize = 20;
    stored.TextColor = 255;
    stored.PrintPictureIdentification = 1;
    stored.AutoSizeForSampleImage = true;
    stored.TextLeftMargin = 30;
    stored.TextTopMargin = 40;
    CurrentTemplateSettings.Set(stored);

    const auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("相框模板设置"));
    EXPECT_EQ(Text(*dialog, "scale"), QStringLiteral("0.42"));
    EXPECT_EQ(Text(*dialog, "leftMargin"), QStringLiteral("12"));
    EXPECT_EQ(Text(*dialog, "topMargin"), QStringLiteral("34"));
    EXPECT_EQ(Text(*dialog, "textSize"), QStringLiteral("20"));
    EXPECT_EQ(Control<QComboBox>(*dialog, "labelKind")->currentText(), QStringLiteral("编号"));
    EXPECT_TRUE(Control<QCheckBox>(*dialog, "autoSize")->isChecked());
    EXPECT_EQ(Control<ColorButton>(*dialog, "textColor")->Color(), 255);
    EXPECT_EQ(dialog->SampleLabel()->pos(), dialog->PaperOrigin() + QPoint(30, 40));
    EXPECT_EQ(dialog->SampleLabel()->text(), QStringLiteral("0123"));
    EXPECT_FALSE(dialog->Preview().isNull());

    NewTemplateChosen = true;
    const auto fresh = Open();
    EXPECT_EQ(Text(*fresh, "scale"), QStringLiteral("0.5"));
    EXPECT_EQ(Text(*fresh, "leftMargin"), QStringLiteral("23"));
    EXPECT_EQ(Text(*fresh, "textSize"), QStringLiteral("13"));
    EXPECT_FALSE(Control<QCheckBox>(*fresh, "autoSize")->isChecked());
    EXPECT_EQ(Control<ColorButton>(*fresh, "backgroundColor")->Color(), 0xFFFFFF);
    // No label place yet: it shows where the print puts an unplaced label.
    EXPECT_EQ(fresh->SampleLabel()->pos(), fresh->PaperOrigin() + QPoint(10, 10));
}

TEST_F(DlgTemplateSetTest, SamplePhotoSuggestsTheScale)
{
    SaveFrameWithWindow(QStringLiteral("wide.png"), {1800, 1200}, QRect(QPoint(200, 100), QPoint(999, 700)));
    SaveSolidJpeg(QStringLiteral("sample.jpg"), {3000, 2000}, Qt::blue);
    const auto dialog = Open("wide.png");
    const QImage before = dialog->Preview();
    dialog->ChooseSamplePhoto("sample.jpg");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->ImagesReady(); }));
    EXPECT_EQ(Text(*dialog, "scale"), QStringLiteral("0.31"));
    const TemplateSettings settings = CurrentTemplateSettings.Get();
    EXPECT_EQ(settings.SampleImageWidth, 3000); // at once, before saving
    EXPECT_EQ(settings.SampleImageHeight, 2000);
    EXPECT_NE(dialog->Preview(), before); // the sample shows through the frame
}

TEST_F(DlgTemplateSetTest, DraggedLabelPrintsWhereTheDialogShowedIt)
{
    const auto dialog = Open();
    auto *background = Control<ColorButton>(*dialog, "backgroundColor");
    background->SetColor(0x00FF00);
    emit background->ColorChosen();
    EXPECT_EQ(CurrentTemplateSettings.Get().TextBgColor, 0x00FF00); // in force before saving

    QLabel *label = dialog->SampleLabel();
    const QPoint grip = label->geometry().center();
    const QPoint drop = dialog->PaperOrigin() + QPoint(150, 100);
    QTest::mousePress(dialog.get(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(dialog.get(), grip + QPoint(40, 30));
    EXPECT_EQ(label->pos(), grip + QPoint(40, 30));
    QTest::mouseRelease(dialog.get(), Qt::LeftButton, {}, drop);
    EXPECT_EQ(label->pos(), drop);

    EXPECT_EQ(Save(*dialog), QStringLiteral("成功保存设置。"));
    EXPECT_EQ(Stored("TextLeftMargin"), QStringLiteral("150.0000"));
    EXPECT_EQ(Stored("TextTopMargin"), QStringLiteral("100.0000"));

    // Reopened, the label is where it was dropped; printed, its corner is
    // there on the canvas (five canvas pixels per screen pixel).
    dialog->reject();
    LoadTemplateSettings();
    EXPECT_EQ(Open()->SampleLabel()->pos(), drop);
    CompositionPhoto photo = CompositionPhoto::Whole(Solid({100, 60}, Qt::red));
    QImage frame = LoadFrameTemplate("frame.png");
    QImage output;
    ASSERT_TRUE(ComposeSinglePhoto(photo, frame, output, "out.jpg", QStringLiteral("12.jpg"), CurrentTemplateSettings.Get(),
                                   PaperW, PaperH, 95));
    const QImage printed(QStringLiteral("out.jpg"));
    const QPoint corner(750, 500);
    EXPECT_TRUE(Near(printed, corner + QPoint(3, 3), Qt::green));
    EXPECT_TRUE(Near(printed, corner + QPoint(3, -4), Qt::white));
    EXPECT_TRUE(Near(printed, corner + QPoint(-4, 3), Qt::white));
}

TEST_F(DlgTemplateSetTest, SavedThroughTheDialogAndReopened)
{
    TemplateSettings stored;
    stored.TextLeftMargin = 30.5;
    stored.TextTopMargin = 40.25;
    stored.TextBgColor = 0x123456;
    struct Case
    {
        const char *name;
        void (*edit)(DlgTemplateSet &);
        void (*check)(const DlgTemplateSet &reopened);
    } const cases[] = {
        {"untouched label keeps its stored place", [](DlgTemplateSet &) {},
         [](const DlgTemplateSet &reopened) {
             EXPECT_EQ(Stored("TextLeftMargin"), QStringLiteral("30.5000"));
             EXPECT_EQ(Stored("TextTopMargin"), QStringLiteral("40.2500"));
             EXPECT_EQ(reopened.SampleLabel()->pos(), reopened.PaperOrigin() + QPoint(30, 40));
         }},
        {"margins typed as 0 are stored as -1",
         [](DlgTemplateSet &dialog) {
             for (const char *name : {"leftMargin", "topMargin"}) {
                 Control<QLineEdit>(dialog, name)->clear();
                 QTest::keyClicks(Control<QLineEdit>(dialog, name), QStringLiteral("0x"));
                 EXPECT_EQ(Text(dialog, name), QStringLiteral("0")); // only the integer stays
             }
         },
         [](const DlgTemplateSet &reopened) {
             EXPECT_EQ(Stored("LeftRec"), QStringLiteral("-1"));
             EXPECT_EQ(Text(reopened, "topMargin"), QStringLiteral("-1"));
         }},
        {"print off: size, colours and label position come back as 0",
         [](DlgTemplateSet &dialog) { Control<QCheckBox>(dialog, "print")->setChecked(false); },
         [](const DlgTemplateSet &reopened) {
             EXPECT_EQ(Text(reopened, "textSize"), QStringLiteral("0"));
             EXPECT_EQ(Control<ColorButton>(reopened, "textColor")->Color(), 0);
             EXPECT_EQ(Control<ColorButton>(reopened, "backgroundColor")->Color(), 0);
             EXPECT_FALSE(reopened.SampleLabel()->isVisible());
             EXPECT_FALSE(Control<QLineEdit>(reopened, "textSize")->isEnabled());
             EXPECT_EQ(reopened.Form().labelLeft, 0.0);
             EXPECT_EQ(reopened.Form().labelTop, 0.0);
         }},
        {"transparent background keeps the colour",
         [](DlgTemplateSet &dialog) { Control<QCheckBox>(dialog, "transparent")->setChecked(true); },
         [](const DlgTemplateSet &reopened) {
             EXPECT_EQ(Stored("TextBgColor"), QStringLiteral("Ts"));
             EXPECT_TRUE(Control<QCheckBox>(reopened, "transparent")->isChecked());
             EXPECT_FALSE(Control<ColorButton>(reopened, "backgroundColor")->isEnabled());
             EXPECT_EQ(Control<ColorButton>(reopened, "backgroundColor")->Color(), 0x123456);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CurrentTemplateSettings.Set(stored);
        {
            const auto dialog = Open();
            c.edit(*dialog);
            EXPECT_EQ(Save(*dialog), QStringLiteral("成功保存设置。"));
        }
        c.check(*Open());
        std::filesystem::remove(TemplateSettingsFile);
    }
}

TEST_F(DlgTemplateSetTest, SavingAndClosingTellThePrintManagerPage)
{
    NewTemplateChosen = true;
    const auto dialog = Open();
    QSignalSpy kinds(dialog.get(), &DlgTemplateSet::LabelKindSaved);
    Control<QComboBox>(*dialog, "labelKind")->setCurrentIndex(1);
    EXPECT_EQ(Save(*dialog), QStringLiteral("成功保存设置。"));
    EXPECT_FALSE(NewTemplateChosen);
    ASSERT_EQ(kinds.count(), 1);
    EXPECT_EQ(kinds.front().front().toInt(), 1);
    EXPECT_EQ(LabelKindCaption(1), QStringLiteral("编号："));
    EXPECT_EQ(CurrentTemplateSettings.Get().PrintPictureIdentification, 1);
    EXPECT_FALSE(TemplateReloadRequested);
    dialog->reject();
    EXPECT_TRUE(TemplateReloadRequested);

    // Without a Config folder the save fails and says so.
    std::filesystem::remove_all("Config");
    NewTemplateChosen = true;
    const auto failing = Open();
    EXPECT_NE(Save(*failing), QStringLiteral("成功保存设置。"));
    EXPECT_TRUE(NewTemplateChosen);
}

TEST_F(DlgTemplateSetTest, MissingTemplateDrawsNoPreviewButTheRestWorks)
{
    const auto dialog = Open("missing.png");
    EXPECT_TRUE(dialog->Preview().isNull());
    SaveSolidJpeg(QStringLiteral("sample.jpg"), {300, 200}, Qt::blue);
    dialog->ChooseSamplePhoto("sample.jpg");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->ImagesReady(); }));
    EXPECT_EQ(Text(*dialog, "scale"), QStringLiteral("0.50")); // nothing to suggest from
    EXPECT_EQ(Save(*dialog), QStringLiteral("成功保存设置。"));
    EXPECT_EQ(Stored("SampleImageWidth"), QStringLiteral("300"));
}

} // namespace
