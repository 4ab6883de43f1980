#include "desk/StatusLine.h"

#include "desk/ProcessState.h"

StatusSnapshot TakeStatusSnapshot()
{
    // Workers change these while we read them; a line may mix two moments, which is fine.
    StatusSnapshot status;
    status.printersBusy = PrintersBusy.load();
    status.manualMode = ManualMode.load();
    status.selectedPrinters = SelectedPrinterCount.load();
    status.composingName = ComposingName.Get();
    status.printingName = PrintingName.Get();
    status.reprintFiles = ReprintFileCount.load();
    status.reprintTotal = ReprintTotalCount.load();
    return status;
}

namespace {

// The photos the printers are printing, from their queues' document lists.
QString QueuedDocuments(const QStringList &cells)
{
    QStringList names;
    for (const QString &cell : cells)
        for (const QString &name : cell.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = name.trimmed();
            if (!trimmed.isEmpty() && trimmed != QLatin1String("NULL") && !trimmed.startsWith(QLatin1String("...")))
                names << trimmed;
        }
    return names.join(QLatin1Char(' '));
}

} // namespace

QString BuildStatusLine(const StatusSnapshot &status)
{
    QString line;
    if (status.printersBusy)
        line += QStringLiteral("Busy |");
    if (status.manualMode)
        line += QStringLiteral("手动模式 |");
    line += QStringLiteral(" 选中：") + QString::number(status.selectedPrinters) + QStringLiteral("台打印机 |  ");
    line += QStringLiteral("正在合成： ") + status.composingName;
    line += QStringLiteral(" |  正在打印处理：")
        + (status.printingName.isEmpty() ? QueuedDocuments(status.printerDocuments) : status.printingName);
    line += QStringLiteral(" |  需要补打的文件：") + QString::number(status.reprintFiles) + QStringLiteral(" 个");
    line += QStringLiteral(" |  需要补打的总数量：") + QString::number(status.reprintTotal);
    return line;
}
