#include "desk/ProcessState.h"
#include "photography/ui/CombinationPreviewdlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QPushButton *Button(const CombinationPreviewdlg &dialog, int id)
{
    return static_cast<QPushButton *>(dialog.control(id));
}

QImage Picture()
{
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    return picture;
}

// The copies as the buttons and the copies field give them; an empty field
// or "0" prints one copy.
TEST(CombinationPreviewTest, CopiesFromTheFieldAndTheButtons)
{
    const std::pair<const char *, int> typed[] = {{"", 1}, {"0", 1}, {"1", 1}, {"12", 12}};
    for (const auto &[text, copies] : typed) {
        CombinationPreviewdlg dialog(Picture(), QString());
        static_cast<QLineEdit *>(dialog.control(CombinationPreviewdlg::kCopies))->setText(QString::fromLatin1(text));
        Button(dialog, CombinationPreviewdlg::kOk)->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.copies(), copies) << text;
    }
    const std::pair<int, int> buttons[] = {{CombinationPreviewdlg::kTwo, 2}, {CombinationPreviewdlg::kFive, 5},
                                           {CombinationPreviewdlg::kNine, 9}};
    for (const auto &[id, copies] : buttons) {
        CombinationPreviewdlg dialog(Picture(), QString());
        Button(dialog, id)->click();
        EXPECT_EQ(dialog.copies(), copies);
    }
    {
        // Typed key by key, the field stops at the copy limit's two digits.
        CombinationPreviewdlg dialog(Picture(), QString());
        auto *field = static_cast<QLineEdit *>(dialog.control(CombinationPreviewdlg::kCopies));
        field->clear();
        QTest::keyClicks(field, QStringLiteral("1000"));
        EXPECT_EQ(field->text(), QStringLiteral("10"));
    }
    CombinationPreviewdlg cancelled(Picture(), QString());
    Button(cancelled, CombinationPreviewdlg::kCancel)->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.copies(), 0);
}

// Opening clears keeping the camera window on top; the window's own close
// sets it again, the buttons leave it cleared.
TEST(CombinationPreviewTest, CloseOfTheWindowKeepsTheCameraOnTopAgain)
{
    CaptureOnTop = true;
    {
        CombinationPreviewdlg dialog(Picture(), QString());
        EXPECT_FALSE(CaptureOnTop);
        dialog.show();
        dialog.close();
        EXPECT_TRUE(CaptureOnTop);
    }
    {
        CombinationPreviewdlg dialog(Picture(), QString());
        dialog.show();
        Button(dialog, CombinationPreviewdlg::kThree)->click();
        EXPECT_FALSE(CaptureOnTop);
    }
}

// Without a composed picture the dialog says which template to choose and
// offers nothing to print.
TEST(CombinationPreviewTest, WithoutAPictureOnlyCancelRemains)
{
    const QString problem = QStringLiteral("没有二宫格相框模板，请在“互动拍照”页面为二宫格选择相框模板。");
    CombinationPreviewdlg dialog(QImage(), problem);
    dialog.show();
    dialog.onTimer1();
    bool shown = false;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        shown = shown || (label->isVisible() && label->text() == problem);
    EXPECT_TRUE(shown);
    for (const int id : {CombinationPreviewdlg::kOk, CombinationPreviewdlg::kTwo, CombinationPreviewdlg::kNine})
        EXPECT_FALSE(dialog.control(id)->isEnabled());
    EXPECT_TRUE(dialog.control(CombinationPreviewdlg::kCancel)->isEnabled());
    CaptureOnTop = false;
}

} // namespace
