#pragma once

#include <QString>

#include <functional>

// Shows a text in the print manager page's hint line. The page hands one to
// the reprint paths; it may be called from any thread.
using ShowHint = std::function<void(const QString &)>;

// Hint line texts of the reprint paths.
namespace ReprintText {

// The hint line's first text on a fresh page.
inline const QString FirstHowTo = QStringLiteral("补打：鼠标左键点击要补打的照片，输入数量后按回车键。");
inline const QString ReprintHowTo = QStringLiteral("补打：鼠标左键点击要补打的照片，输入数量然后按回车键。");
inline const QString Restoring = QStringLiteral("正在恢复已打印数量信息，请稍后。");
// While the printed list is rebuilt at start-up; reprint requests are refused meanwhile.
inline const QString ListsRestoring = QStringLiteral("正在恢复文件信息列表，请稍候.......................");
inline const QString PrinterBusy = QStringLiteral("打印机繁忙，请稍后再试。");
inline const QString NoPrinter = QStringLiteral("没有可用打印机进行补打操作，请重新选择.");
inline const QString EnterQuantity = QStringLiteral("请输入要补打的数量。");
inline const QString NotFound = QStringLiteral("没有找到相应的照片，请重新输入。");
inline const QString TooFast = QStringLiteral("操作过快，请慢一点.");
inline const QString ClickOnce = QStringLiteral("请单击补打按钮.");

// "成功添加补打信息，" + name + "补打" + quantity + "张"; the page blanks it a few seconds later.
inline const QString AddedPrefix = QStringLiteral("成功添加补打信息，");
QString Added(const QString &name, const QString &quantity);
// An order above the copy limit, cut to it: name + "要求补打" + asked +
// "张，超过上限，只补打99张，请核对。"
QString CopiesCut(const QString &name, const QString &asked);

} // namespace ReprintText
