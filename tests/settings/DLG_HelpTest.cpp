#include "settings/ui/DLG_Help.h"

#include "desk/ProcessState.h"
#include "platform/Utf16File.h"
#include "settings/ReprintRules.h"
#include "settings/SystemSettings.h"
#include "tests/support/MessageBoxAnswer.h"
#include "tests/support/ProgramFolder.h"

#include "platform/Pause.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

const QString Saved = QStringLiteral("成功保存信息。");

QLineEdit *Field(const DLG_Help &page, const char *name)
{
    auto *field = page.findChild<QLineEdit *>(QString::fromUtf8(name));
    EXPECT_NE(field, nullptr) << name;
    return field;
}

void Click(const DLG_Help &page, const char *name)
{
    auto *button = page.findChild<QAbstractButton *>(QString::fromUtf8(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

// Fills the four rule fields; an empty text leaves a field empty.
void FillRules(const DLG_Help &page, const QString &folder, const QString &minimum, const QString &maximum,
               const QString &reduction)
{
    Field(page, "autoReprintFolder")->setText(folder);
    Field(page, "minimum")->setText(minimum);
    Field(page, "maximum")->setText(maximum);
    Field(page, "reduction")->setText(reduction);
}

QStringList Texts(const std::vector<MessageBoxAnswer::Seen> &boxes)
{
    QStringList texts;
    for (const auto &box : boxes)
        texts << box.text;
    return texts;
}

QByteArray FileBytes(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

// A program folder with the settings loaded from it, as at start-up.
struct StartedProgram
{
    StartedProgram()
    {
        SystemSettings::Load();
        SetReprintRules(ReprintRules{});
    }
    ~StartedProgram() { SetReprintRules(ReprintRules{}); }

    ProgramFolder folder;
};

} // namespace

TEST(SettingsPage, HoldsEveryTextOfThePage)
{
    StartedProgram program;
    DLG_Help page;
    page.show();

    QStringList texts;
    for (const QLabel *label : page.findChildren<QLabel *>())
        texts << label->text();
    for (const QAbstractButton *button : page.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QGroupBox *group : page.findChildren<QGroupBox *>())
        texts << group->title();
    texts.sort();

    QStringList expected{
        // group titles
        QStringLiteral("自动补打设置"), QStringLiteral("手机端补打设置"), QStringLiteral("显示设置"),
        QStringLiteral("照片文件归档"), QStringLiteral("互动拍照"), QStringLiteral("软件设置"),
        // field captions
        QStringLiteral("信息文件目录："), QStringLiteral("最小补打数量："), QStringLiteral("最大补打数量："),
        QStringLiteral("缩减数量："), QStringLiteral("信息文件目录："), QStringLiteral("缩略图大小："),
        QStringLiteral("待打印缩略图数量："), QStringLiteral("已打印缩略图数量："), QStringLiteral("保存目录："),
        QStringLiteral("自动打印等待时间："), QStringLiteral("秒"),
        // buttons and the check box
        QStringLiteral("选择"), QStringLiteral("默认设置"), QStringLiteral("保存"), QStringLiteral("选择"),
        QStringLiteral("保存"), QStringLiteral("选择"), QStringLiteral("归档"), QStringLiteral("清空补打数据"),
        QStringLiteral("拍照程序置顶"),
        // hints and examples
        QStringLiteral("缩减数量： 小于0则不减少， 0：减一半，大于0则减相应数量；最终数值，减完少于0则得0；"),
        QStringLiteral("最大补打数量设置为0时，则不设上限。"),
        QStringLiteral("缩略图大小设置区间在1-15，默认设置为3，建议设置为6；缩略图数量过多会造成系统显示异常，"
                       "建议设置为1000以内，默认为500。"),
        QStringLiteral("例：/home/event/counter/info"), QStringLiteral("例：/home/event/phone/addprint"),
        QStringLiteral("例：/media/backup/VelloraArchive"),
        // the wait time's hint line, empty until a wait time is not taken as typed
        QString(),
    };
    expected.sort();
    EXPECT_EQ(texts, expected);

    for (const QWidget *widget : page.findChildren<QWidget *>())
        EXPECT_TRUE(widget->isVisible()) << widget->objectName().toStdString();
}

TEST(SettingsPage, OpeningShowsStoredValues)
{
    StartedProgram program;
    ASSERT_TRUE(Utf16File::WriteText(ReprintRulesFile, u"D:\\My Photos\\info\n1\nx\n-1"));
    SystemSettings::Store(SystemSettings::ThumbnailSizeKey, QStringLiteral("16"));
    SystemSettings::Store(SystemSettings::PhoneFolderKey, QStringLiteral("D:\\phone"));
    SystemSettings::Store(SystemSettings::CaptureOnTopKey, QStringLiteral("1"));
    SystemSettings::Store(SystemSettings::WaitTimeKey, QStringLiteral("4"));
    SystemSettings::Load();
    SetReprintRules(ReprintRules{QStringLiteral("in force"), 0, 10, -1});

    DLG_Help page;
    EXPECT_EQ(Field(page, "autoReprintFolder")->text(), QStringLiteral("D:\\My Photos\\info"));
    EXPECT_EQ(Field(page, "minimum")->text(), QStringLiteral("1"));
    EXPECT_EQ(Field(page, "maximum")->text(), QStringLiteral("10")); // "x" is no number: the value in force
    EXPECT_EQ(Field(page, "reduction")->text(), QStringLiteral("-1"));
    EXPECT_EQ(Field(page, "phoneFolder")->text(), QStringLiteral("D:\\phone"));
    EXPECT_EQ(Field(page, "archiveFolder")->text(), QString());
    EXPECT_EQ(Field(page, "thumbnailSize")->text(), QStringLiteral("15"));
    EXPECT_EQ(Field(page, "thumbnailWaitPrintCount")->text(), QStringLiteral("500"));
    EXPECT_EQ(Field(page, "thumbnailPrintedCount")->text(), QStringLiteral("500"));
    EXPECT_TRUE(page.findChild<QCheckBox *>(QStringLiteral("captureOnTop"))->isChecked());
    EXPECT_EQ(Field(page, "waitTime")->text(), QStringLiteral("4"));
    EXPECT_EQ(PrintDelaySeconds, 4);
    // Opening the page reads the rules file into the fields only.
    EXPECT_EQ(CurrentReprintRules().AutoReprintFolder, QStringLiteral("in force"));
}

TEST(SettingsPage, StoredWaitTimeZeroShowsTwoAndKeepsTheDelay)
{
    StartedProgram program;
    SystemSettings::Store(SystemSettings::WaitTimeKey, QStringLiteral("0"));
    SystemSettings::Load();

    DLG_Help page;
    EXPECT_EQ(Field(page, "waitTime")->text(), QStringLiteral("2"));
    EXPECT_EQ(PrintDelaySeconds, 2);
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::WaitTimeKey, {}), QStringLiteral("0"));
}

TEST(SettingsPage, TypedWaitTimeIsUsedAndStoredAsUsed)
{
    StartedProgram program;
    DLG_Help page;
    QLineEdit *field = Field(page, "waitTime");
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("07"));
    EXPECT_EQ(PrintDelaySeconds, 7);
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::WaitTimeKey, {}), QStringLiteral("7"));
}

// A wait that would stop printing for good is brought to a minute when the
// field is left: the field, the group's hint line and the file say 60.
TEST(SettingsPage, WaitTimeOutOfRangeIsBroughtIntoRangeWithAMessage)
{
    StartedProgram program;
    DLG_Help page;
    QLineEdit *field = Field(page, "waitTime");
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("2147483647"));
    EXPECT_EQ(PrintDelaySeconds, 21) << "the last text in range while it was typed";
    emit field->editingFinished();
    EXPECT_EQ(PrintDelaySeconds, 60);
    EXPECT_EQ(field->text(), QStringLiteral("60"));
    EXPECT_EQ(page.findChild<QLabel *>(QStringLiteral("waitHint"))->text(),
              QStringLiteral("自动打印等待时间“2147483647”超出范围 1–60秒，已改用 60秒"));
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::WaitTimeKey, {}), QStringLiteral("60"));
}

TEST(SettingsPage, SaveRulesWritesTheFileAndABlankFolderReadsBackWhole)
{
    StartedProgram program;
    {
        DLG_Help page;
        FillRules(page, QStringLiteral("D:\\My Photos\\info"), QStringLiteral("2"), QStringLiteral("5"),
                  QStringLiteral("0"));
        MessageBoxAnswer answer(QMessageBox::Ok);
        Click(page, "saveRules");
        EXPECT_EQ(Texts(answer.Boxes()), QStringList{Saved});
    }
    EXPECT_EQ(FileBytes(ReprintRulesFile),
              QByteArray::fromRawData(reinterpret_cast<const char *>(u"D:\\My Photos\\info\n2\n5\n0"), 23 * 2));
    EXPECT_EQ(CurrentReprintRules().AutoReprintFolder, QStringLiteral("D:\\My Photos\\info"));
    EXPECT_EQ(CurrentReprintRules().maximum, 5);

    DLG_Help reopened;
    EXPECT_EQ(Field(reopened, "autoReprintFolder")->text(), QStringLiteral("D:\\My Photos\\info"));
}

TEST(SettingsPage, SaveRulesWithAnEmptyFieldAndDefaultsStoreNothing)
{
    StartedProgram program;
    ASSERT_TRUE(Utf16File::WriteText(ReprintRulesFile, u"D:\\old\n1\n2\n3"));
    const QByteArray before = FileBytes(ReprintRulesFile);
    DLG_Help page;
    MessageBoxAnswer answer(QMessageBox::Ok);

    FillRules(page, QStringLiteral("D:\\new"), QStringLiteral("4"), QString(), QStringLiteral("5"));
    Click(page, "saveRules");
    QTest::qWait(50);

    Click(page, "defaultRules");
    EXPECT_EQ(Field(page, "minimum")->text(), QStringLiteral("0"));
    EXPECT_EQ(Field(page, "maximum")->text(), QStringLiteral("0"));
    EXPECT_EQ(Field(page, "reduction")->text(), QStringLiteral("-1"));

    EXPECT_TRUE(answer.Boxes().empty());
    EXPECT_EQ(FileBytes(ReprintRulesFile), before);
    EXPECT_EQ(CurrentReprintRules().maximum, 10);
    EXPECT_EQ(CurrentReprintRules().reduction, -1);
}

TEST(SettingsPage, SaveDisplayClampsFieldsAndFile)
{
    StartedProgram program;
    DLG_Help page;
    Field(page, "thumbnailSize")->setText(QStringLiteral("0"));
    Field(page, "thumbnailWaitPrintCount")->setText(QStringLiteral("10"));
    Field(page, "thumbnailPrintedCount")->setText(QStringLiteral("99"));
    MessageBoxAnswer answer(QMessageBox::Ok);
    Click(page, "saveDisplay");

    // Each value brought into range is named, and the size waits for a restart.
    EXPECT_EQ(Texts(answer.Boxes()),
              QStringList{Saved + QStringLiteral("\n缩略图大小“0”超出范围 1–15，已改用 1"
                                                 "\n待打印缩略图数量“10”超出范围 50–10000，已改用 50"
                                                 "\n已打印缩略图数量“99”超出范围 100–10000，已改用 100"
                                                 "\n新的缩略图大小在重新启动软件后生效。")});
    EXPECT_EQ(Field(page, "thumbnailSize")->text(), QStringLiteral("1"));
    EXPECT_EQ(Field(page, "thumbnailWaitPrintCount")->text(), QStringLiteral("50"));
    EXPECT_EQ(Field(page, "thumbnailPrintedCount")->text(), QStringLiteral("100"));
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::ThumbnailSizeKey, {}), QStringLiteral("1"));
    EXPECT_EQ(SystemSettings::ThumbnailWaitPrintCount(), 50);
    EXPECT_EQ(SystemSettings::ThumbnailPrintedCount(), 100);
}

TEST(SettingsPage, CaptureOnTopIsStoredAtOnce)
{
    StartedProgram program;
    DLG_Help page;
    Click(page, "captureOnTop");
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::CaptureOnTopKey, {}), QStringLiteral("1"));
    EXPECT_TRUE(SystemSettings::CaptureOnTop());
    Click(page, "captureOnTop");
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::CaptureOnTopKey, {}), QStringLiteral("0"));
    EXPECT_FALSE(SystemSettings::CaptureOnTop());
}

TEST(SettingsPage, FolderBrowsers)
{
    StartedProgram program;
    DLG_Help page;
    QString chosen;
    QStringList titles;
    page.SetFolderChooser([&](QWidget *, const QString &title) {
        titles << title;
        return chosen;
    });
    MessageBoxAnswer answer(QMessageBox::Ok);

    // Closed without a choice: nothing changes.
    Click(page, "choose_phoneFolder");
    EXPECT_TRUE(Field(page, "phoneFolder")->text().isEmpty());

    chosen = QStringLiteral("/data/phone drop");
    Click(page, "choose_phoneFolder");
    EXPECT_EQ(Field(page, "phoneFolder")->text(), chosen);
    EXPECT_EQ(SystemSettings::PhoneReprintFolder(), chosen);
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::PhoneFolderKey, {}), chosen);

    // The face-counting tool's folder goes into its field only, until "保存".
    chosen = QStringLiteral("/data/faces");
    Click(page, "choose_autoReprintFolder");
    EXPECT_EQ(Field(page, "autoReprintFolder")->text(), chosen);
    EXPECT_EQ(FileBytes(ReprintRulesFile), QByteArray());

    chosen = QStringLiteral("/backup/Pic_Test");
    Click(page, "choose_archiveFolder");
    EXPECT_TRUE(Field(page, "archiveFolder")->text().isEmpty());
    EXPECT_TRUE(SystemSettings::ArchiveFolder().isEmpty());

    chosen = QStringLiteral("/backup/event");
    Click(page, "choose_archiveFolder");
    EXPECT_EQ(Field(page, "archiveFolder")->text(), chosen);
    EXPECT_EQ(SystemSettings::ArchiveFolder(), chosen);
    EXPECT_EQ(SystemSettings::ReadStored(SystemSettings::ArchiveFolderKey, {}), chosen);

    EXPECT_EQ(titles, (QStringList{QStringLiteral("请选择 Vellora | Transmission 信息文件存放的目录."),
                                   QStringLiteral("请选择 Vellora | Transmission 信息文件存放的目录."),
                                   QStringLiteral("请选择Zendrik信息文件存放的目录."),
                                   QStringLiteral("请选择一个文件夹："), QStringLiteral("请选择一个文件夹：")}));
    EXPECT_EQ(Texts(answer.Boxes()), QStringList{QStringLiteral("不能选择软件内部目录，请重新选择。")});
}

TEST(SettingsPage, ClearReprintDataAsksAndDeletesOnlyReprintInfoFiles)
{
    StartedProgram program;
    SetPauseScale(0.01);
    std::filesystem::create_directories("CombinationAddPrint/kept.vellora");
    for (const char *name : {"CombinationAddPrint/a.vellora", "CombinationAddPrint/B.VELLORA",
                             "CombinationAddPrint/c.txt", "CombinationAddPrint/d.vellora.bak", "Config/e.vellora"})
        std::ofstream(name) << "x";
    const auto exists = [](const char *name) { return std::filesystem::exists(name); };
    DLG_Help page;

    {
        MessageBoxAnswer answer(QMessageBox::No);
        Click(page, "clearReprintData");
        ASSERT_EQ(answer.Boxes().size(), 1u);
        EXPECT_EQ(answer.Boxes()[0].title, QStringLiteral("提示"));
        EXPECT_EQ(answer.Boxes()[0].text, QStringLiteral("确定要删除增加打印信息目录内的全部文件吗？"));
        EXPECT_EQ(answer.Boxes()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(answer.Boxes()[0].defaultButton, QMessageBox::No);
    }
    QTest::qWait(50);
    EXPECT_TRUE(exists("CombinationAddPrint/a.vellora"));
    EXPECT_TRUE(exists("CombinationAddPrint/B.VELLORA"));

    QSignalSpy cleared(&page, &DLG_Help::ReprintDataCleared);
    {
        MessageBoxAnswer answer(QMessageBox::Yes);
        Click(page, "clearReprintData");
    }
    ASSERT_TRUE(cleared.wait(5000));
    EXPECT_EQ(cleared.at(0).at(0).toInt(), 2);
    EXPECT_FALSE(exists("CombinationAddPrint/a.vellora"));
    EXPECT_FALSE(exists("CombinationAddPrint/B.VELLORA"));
    EXPECT_TRUE(exists("CombinationAddPrint/kept.vellora"));
    EXPECT_TRUE(exists("CombinationAddPrint/c.txt"));
    EXPECT_TRUE(exists("CombinationAddPrint/d.vellora.bak"));
    EXPECT_TRUE(exists("Config/e.vellora"));
    SetPauseScale(1.0);
}
