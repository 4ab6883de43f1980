#include "intake/SetupGuidance.h"

#include "intake/ReprintTexts.h"

#include <QCoreApplication>

namespace {

const QString kNoPrinter = QStringLiteral("未找到打印机。添加打印机的方法见 README.md 的 \"Giving the program a printer\" 一节；"
                                          "没有打印机时可用 ./run --demo 试用。");
// The installed program has no checkout: its package carries the README.
const QString kNoPrinterInstalled = QStringLiteral(
    "未找到打印机。添加打印机的方法见 /usr/share/doc/vellora/README.md.gz 的 \"Giving the program a printer\" 一节；"
    "没有打印机时可用 sudo vellora --demo 试用。");

bool RunsFromPackage()
{
    return QCoreApplication::applicationDirPath() == QStringLiteral("/usr/bin");
}

} // namespace

const QString &NoPrinterGuidance()
{
    return RunsFromPackage() ? kNoPrinterInstalled : kNoPrinter;
}

QString SetupGuidance(const SetupState &state)
{
    if (state.printing)
        return {};
    if (state.printers == 0)
        return NoPrinterGuidance();
    if (!state.sourceFolder)
        return QStringLiteral("开始前（1/5）：点击“数据源目录”旁的“选择”，选择照片到达的文件夹。");
    if (!state.frameFile)
        return QStringLiteral("开始前（2/5）：点击“相框文件”旁的“选择”，选择相框模板（PNG 或 JPEG）。");
    if (!state.paperSize)
        return QStringLiteral("开始前（3/5）：输入打印纸宽和高（毫米），例如 152 和 102。");
    if (!state.printerChosen)
        return QStringLiteral("开始前（4/5）：在下方打印机列表中勾选要使用的打印机。");
    return QStringLiteral("准备就绪（5/5）：点击“开始”自动打印。");
}

bool IsRestingHint(const QString &text)
{
    return text.trimmed().isEmpty() || text == ReprintText::FirstHowTo || text == ReprintText::ReprintHowTo
        || text == kNoPrinter || text == kNoPrinterInstalled
        || text.startsWith(QStringLiteral("开始前（")) || text.startsWith(QStringLiteral("准备就绪（"));
}
