#include "compose/TemplateSettings.h"

#include "tests/support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

void WriteSettings(const QByteArray &lines)
{
    QFile file(QStringLiteral("Config/TemplateSeting.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[TemplateSeting]\r\n" + lines);
}

TEST(LoadTemplateSettingsTest, FileWithoutProportionChangesNothing)
{
    ProgramFolder folder;
    WriteSettings("LeftRec=40\r\nTextSize=30\r\n");
    TemplateSettings settings;
    LoadTemplateSettings(settings);
    EXPECT_EQ(settings.LeftRec, 1);
    EXPECT_EQ(settings.TextSize, 10);
    EXPECT_FLOAT_EQ(settings.Proportion, 0.5f);
}

TEST(LoadTemplateSettingsTest, ReadsEveryKeyAndMissingOnesAsZero)
{
    ProgramFolder folder;
    WriteSettings("Proportion=0.31\r\nshowNumber=1\r\nLeftRec=-1\r\nTopRec=23\r\nTextSize=13\r\nTextColor=255\r\n"
                  "PrintPictureIdentification=1\r\nTextBgColor=Ts\r\nTextLeftMargin=-1.0000\r\n"
                  "SampleImageWidth=3000\r\nSampleImageHeight=2000\r\nAutoSizeForSampleImage=1\r\n"
                  "AutoRotationForSampleImage=yes\r\n");
    TemplateSettings settings;
    settings.TextBgColor = 123;
    LoadTemplateSettings(settings);
    EXPECT_FLOAT_EQ(settings.Proportion, 0.31f);
    EXPECT_TRUE(settings.showNumber);
    EXPECT_EQ(settings.LeftRec, -1);
    EXPECT_EQ(settings.TopRec, 23);
    EXPECT_EQ(settings.TextSize, 13);
    EXPECT_EQ(settings.TextColor, 255);
    EXPECT_EQ(settings.PrintPictureIdentification, 1);
    EXPECT_TRUE(settings.TextBgTransparent);
    EXPECT_EQ(settings.TextBgColor, 123); // "Ts" keeps the colour
    EXPECT_DOUBLE_EQ(settings.TextLeftMargin, -1.0);
    EXPECT_DOUBLE_EQ(settings.TextTopMargin, 0.0); // missing
    EXPECT_EQ(settings.SampleImageWidth, 3000);
    EXPECT_EQ(settings.SampleImageHeight, 2000);
    EXPECT_TRUE(settings.AutoSizeForSampleImage);
    EXPECT_FALSE(settings.AutoRotationForSampleImage); // only "1" is on
    EXPECT_EQ(ColorFromStored(255), qRgb(255, 0, 0));
}

} // namespace
