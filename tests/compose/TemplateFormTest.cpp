#include "compose/TemplateForm.h"

#include "compose/ImageFiles.h"
#include "compose/SinglePhoto.h"
#include "compose/TemplatePreview.h"
#include "platform/Profile.h"
#include "tests/compose/TestImages.h"
#include "tests/support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString Stored(const char *key)
{
    return Profile::Read(TemplateSettingsFile, QStringLiteral("TemplateSeting"), QString::fromLatin1(key), QStringLiteral("Error"));
}

TemplateForm TypicalForm()
{
    TemplateForm form;
    form.scale = QStringLiteral("0.31");
    form.leftMargin = QStringLiteral("12");
    form.topMargin = QStringLiteral("34");
    form.textSize = QStringLiteral("15");
    form.labelKind = 1;
    form.textColor = 255;
    form.backgroundColor = 0x00FF00;
    form.labelLeft = 40;
    form.labelTop = 25.5;
    return form;
}

TEST(ScaleSuggestionTest, FillsTheTemplateWindow)
{
    // Sample 3000 x 2000, template 1800 x 1200, window ending at (1000, 700):
    // p starts at 0.35 and grows 52 steps to 0.61; the field shows half of it.
    const auto scale = SuggestScale({1800, 1200}, {3000, 2000}, {1000, 700});
    ASSERT_TRUE(scale);
    EXPECT_NEAR(*scale, 0.305, 1e-9);
    EXPECT_EQ(ScaleText(*scale), QStringLiteral("0.31"));

    struct Case
    {
        const char *name;
        QSize frame, sample;
        QPoint window;
        double expected;
    } const cases[] = {
        {"no window: template width over sample width", {1800, 1200}, {3000, 2000}, {-1, -1}, 0.3},
        {"portrait template: heights", {1200, 1800}, {2000, 3000}, {-1, 700}, 0.3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(SuggestScale(c.frame, c.sample, c.window).value_or(-1), c.expected, 1e-9);
    }
    EXPECT_FALSE(SuggestScale({}, {3000, 2000}, {1000, 700})); // no template read
    EXPECT_FALSE(SuggestScale({1800, 1200}, {}, {1000, 700}));
}

TEST(TemplateFormTest, FillingOnOpen)
{
    TemplateSettings stored;
    stored.Proportion = 0.42f;
    stored.showNumber = true;
    stored.TextSize = 0; // shown and used as 13 while printing is on
    stored.LeftRec = -1;
    stored.TopRec = 7;
    stored.TextBgTransparent = true;
    stored.TextColor = 255;
    stored.PrintPictureIdentification = 1;
    stored.AutoRotationForSampleImage = true;
    stored.TextLeftMargin = 30.25;
    stored.TextTopMargin = 40;

    TemplateSettings settings = stored;
    const TemplateForm form = FillTemplateForm(settings, false);
    EXPECT_EQ(form.scale, QStringLiteral("0.42"));
    EXPECT_EQ(form.textSize, QStringLiteral("13"));
    EXPECT_EQ(settings.TextSize, 13);
    EXPECT_EQ(form.leftMargin, QStringLiteral("-1"));
    EXPECT_EQ(form.topMargin, QStringLiteral("7"));
    EXPECT_TRUE(form.transparent);
    EXPECT_TRUE(form.autoRotation);
    EXPECT_EQ(form.textColor, 255);
    EXPECT_EQ(form.labelKind, 1);
    EXPECT_DOUBLE_EQ(form.labelLeft, 30.25);
    EXPECT_DOUBLE_EQ(form.labelTop, 40);

    settings = stored;
    const TemplateForm fresh = FillTemplateForm(settings, true);
    TemplateForm expected;
    expected.scale = QStringLiteral("0.5");
    expected.textSize = QStringLiteral("13");
    expected.leftMargin = expected.topMargin = QStringLiteral("23");
    expected.labelKind = 1; // the drop list always shows the kind in force
    EXPECT_EQ(fresh, expected);
}

// Saving and loading again: what the print manager page and the next
// opening of the dialog get.
TEST(TemplateFormTest, SavedThenLoadedEdgeCases)
{
    struct Case
    {
        const char *name;
        void (*edit)(TemplateForm &);
        void (*check)(const TemplateSettings &loaded, const TemplateForm &reopened);
    } const cases[] = {
        {"margin fields 0 are stored as -1, a corner just off the paper",
         [](TemplateForm &form) { form.leftMargin = form.topMargin = QStringLiteral("0"); },
         [](const TemplateSettings &loaded, const TemplateForm &) {
             EXPECT_EQ(Stored("LeftRec"), QStringLiteral("-1"));
             EXPECT_EQ(Stored("TopRec"), QStringLiteral("-1"));
             EXPECT_EQ(PhotoCorner({100, 100}, loaded, CanvasSize(100, 70)), QPoint(-5, -5));
         }},
        {"print off: size, colours and label position come back as 0",
         [](TemplateForm &form) { form.print = false; },
         [](const TemplateSettings &loaded, const TemplateForm &reopened) {
             EXPECT_EQ(Stored("showNumber"), QStringLiteral("0"));
             EXPECT_EQ(Stored("TextSize"), QStringLiteral("Error"));
             EXPECT_FALSE(loaded.showNumber);
             EXPECT_EQ(reopened.textSize, QStringLiteral("0"));
             EXPECT_EQ(reopened.textColor, 0);
             EXPECT_EQ(reopened.backgroundColor, 0);
             EXPECT_EQ(reopened.labelLeft, 0.0);
             EXPECT_EQ(reopened.labelTop, 0.0);
         }},
        {"transparent background is stored as Ts and keeps the colour in force",
         [](TemplateForm &form) { form.transparent = true; },
         [](const TemplateSettings &loaded, const TemplateForm &reopened) {
             EXPECT_EQ(Stored("TextBgColor"), QStringLiteral("Ts"));
             EXPECT_TRUE(loaded.TextBgTransparent);
             EXPECT_EQ(loaded.TextBgColor, 0x123456); // the colour before loading
             EXPECT_TRUE(reopened.transparent);
         }},
        {"label position and texts as typed",
         [](TemplateForm &) {},
         [](const TemplateSettings &loaded, const TemplateForm &reopened) {
             EXPECT_EQ(Stored("TextLeftMargin"), QStringLiteral("40.0000"));
             EXPECT_EQ(Stored("TextTopMargin"), QStringLiteral("25.5000"));
             EXPECT_EQ(Stored("Proportion"), QStringLiteral("0.31"));
             EXPECT_EQ(Stored("SampleImageWidth"), QStringLiteral("3000"));
             EXPECT_EQ(loaded.PrintPictureIdentification, 1);
             EXPECT_EQ(reopened, TypicalForm());
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        TemplateForm form = TypicalForm();
        c.edit(form);
        ASSERT_TRUE(SaveTemplateForm(form, {3000, 2000}));
        TemplateSettings loaded;
        loaded.TextBgColor = 0x123456;
        LoadTemplateSettings(loaded);
        TemplateSettings reopenedFrom = loaded;
        c.check(loaded, FillTemplateForm(reopenedFrom, false));
        // The preview places things by the same values the print will use.
        EXPECT_EQ(SettingsFromForm(form, TemplateSettings{.TextBgColor = 0x123456, .SampleImageWidth = 3000,
                                                          .SampleImageHeight = 2000}),
                  loaded);
    }
}

TEST(TemplateFormTest, SaveRebuildsTheSectionAndKeepsTheRest)
{
    ProgramFolder folder;
    QFile file(QStringLiteral("Config/TemplateSeting.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Other]\r\nKeep=1\r\n[TemplateSeting]\r\nProportion=0.9\r\nSampleImageWidth=800\r\nStray=1\r\n");
    file.close();

    ASSERT_TRUE(SaveTemplateForm(TypicalForm(), {})); // no sample: the sample size is not written
    EXPECT_EQ(Stored("Stray"), QStringLiteral("Error"));
    EXPECT_EQ(Stored("SampleImageWidth"), QStringLiteral("Error"));
    EXPECT_EQ(Profile::Read(TemplateSettingsFile, QStringLiteral("Other"), QStringLiteral("Keep"), {}), QStringLiteral("1"));
    EXPECT_FALSE(std::filesystem::exists("Config/TemplateSeting.ini.saving"));
}

TEST(TemplateFormTest, SaveWithoutConfigFolderFails)
{
    ProgramFolder folder(ProgramFolder::Config::Omit);
    EXPECT_FALSE(SaveTemplateForm(TypicalForm(), {3000, 2000}));
    EXPECT_FALSE(std::filesystem::exists("Config"));
}

TEST(TemplateFormTest, FileWithoutProportionIsIgnoredWhole)
{
    ProgramFolder folder;
    ASSERT_TRUE(Profile::Write(TemplateSettingsFile, QStringLiteral("TemplateSeting"), QStringLiteral("LeftRec"), QStringLiteral("40")));
    TemplateSettings settings;
    settings.LeftRec = 9;
    LoadTemplateSettings(settings);
    EXPECT_EQ(FillTemplateForm(settings, false).leftMargin, QStringLiteral("9"));
}

TEST(TemplatePreviewTest, SampleLabelPlace)
{
    const QSize paper = PreviewPaperSize(100, 70);
    ASSERT_EQ(paper, QSize(377, 264));
    struct Case
    {
        const char *name;
        double left, top;
        QPoint corner;
        double newLeft, newTop;
    } const cases[] = {
        {"unset: where the print puts it", -1, -1, {10, 10}, -1, -1},
        {"stored place", 30.7, 40, {30, 40}, 30.7, 40},
        {"one margin -1", -1, 20, {-1, 20}, -1, 20},
        {"beyond the right edge: lower left, and prints there", 377, 10, {45, 234}, 45, 234},
        {"beyond the bottom edge", 10, 264, {45, 234}, 45, 234},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const SampleLabelPlace place = PlaceSampleLabel(c.left, c.top, paper);
        EXPECT_EQ(place.corner, c.corner);
        EXPECT_EQ(place.labelLeft, c.newLeft);
        EXPECT_EQ(place.labelTop, c.newTop);
    }
}

TEST(TemplatePreviewTest, PreviewShowsThePrintAtOneFifth)
{
    ProgramFolder folder;
    SaveFrameWithWindow(QStringLiteral("frame.png"), {600, 400}, {100, 80, 300, 200});
    TemplateSettings settings;
    settings.Proportion = 0.5f;
    settings.LeftRec = 40;
    settings.TopRec = 30;
    const QRect photo = PreviewPhotoRect({1000, 600}, settings, 100, 70);
    EXPECT_EQ(photo, QRect(40, 30, 100, 60));

    const PreviewTemplate frame = PreparePreviewTemplate("frame.png", PreviewPaperSize(100, 70));
    EXPECT_EQ(frame.size, QSize(600, 400));
    EXPECT_EQ(frame.window, QPoint(400, 279));
    EXPECT_TRUE(frame.overPhoto);
    const QImage preview = ComposePreview(frame, Solid({1000, 600}, Qt::blue), photo);
    ASSERT_EQ(preview.size(), QSize(377, 264));
    // In the window the photo shows dimmed by the frame's black; on the frame
    // white shows over the photo; elsewhere the white frame over white paper.
    EXPECT_TRUE(Near(preview, {90, 80}, QColor(0, 0, 105)));
    EXPECT_TRUE(Near(preview, {45, 35}, QColor(150, 150, 255)));
    EXPECT_TRUE(Near(preview, {300, 200}, Qt::white));

    // A photo far beyond the paper costs no more than the paper.
    const QImage huge = ComposePreview(frame, Solid({100, 60}, Qt::blue), QRect(-50000, -50000, 100000, 100000));
    EXPECT_TRUE(Near(huge, {90, 80}, QColor(0, 0, 105)));
    EXPECT_FALSE(PreparePreviewTemplate("missing.png", {377, 264}).size.isValid());
}

} // namespace
