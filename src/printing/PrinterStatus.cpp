#include "printing/PrinterStatus.h"

#include "desk/RunLog.h"

#include <span>

namespace {

struct BitText
{
    uint32_t bit;
    const char16_t *text;
};

// The first bit set decides; the order is the order of importance.
constexpr BitText kPrinterTexts[] = {
    {PrinterStatusBit::Printing, u"正在打印..."},
    {PrinterStatusBit::Paused, u"打印暂停中..."},
    {PrinterStatusBit::Busy, u"打印机繁忙,被临时占用..."},
    {PrinterStatusBit::Waiting, u"打印等待中..."},
    {PrinterStatusBit::ServerOffline, u"未连接打印机服务器..."},
    {PrinterStatusBit::Error, u"打印出错！..."},
    {PrinterStatusBit::PaperJam, u"打印机卡纸..."},
    {PrinterStatusBit::PaperOut, u"打印纸位置不正确..."},
    {PrinterStatusBit::PaperProblem, u"打印纸出现问题..."},
    {PrinterStatusBit::OutputBinFull, u"打印输出已满..."},
    {PrinterStatusBit::NotAvailable, u"打印机不可用..."},
    {PrinterStatusBit::TonerLow, u"打印机墨粉不足..."},
    {PrinterStatusBit::NoToner, u"打印机没有墨粉..."},
    {PrinterStatusBit::OutOfMemory, u"打印内存溢出..."},
    {PrinterStatusBit::Offline, u"无法连接打印机，可能是打印机未启动..."},
    {PrinterStatusBit::DoorOpen, u"打印机的门是开着的，请关闭..."},
};

constexpr BitText kJobTexts[] = {
    {JobStatusBit::Printed, u"已提交打印作业"},
    {JobStatusBit::Deleted, u"已取消打印！"},
    {JobStatusBit::Paused, u"打印作业暂停..."},
    {JobStatusBit::Error, u"打印作业出错..."},
    {JobStatusBit::Spooling, u"打印作业脱机..."},
    {JobStatusBit::Offline, u"打印作业未连接..."},
    {JobStatusBit::PaperOut, u"打印纸位置不正确..."},
    {JobStatusBit::Blocked, u"打印作业出错..."},
    {JobStatusBit::Restarted, u"打印作业重新启动..."},
};

// A queue in any of these states takes no job now: stopped, refusing jobs,
// out of paper, unreachable or with its door open.
constexpr uint32_t kCannotPrint = PrinterStatusBit::Paused | PrinterStatusBit::NotAvailable
    | PrinterStatusBit::PaperOut | PrinterStatusBit::Offline | PrinterStatusBit::ServerOffline
    | PrinterStatusBit::DoorOpen;

// A printing job with any of these has failed.
constexpr uint32_t kPrintingJobFailed =
    JobStatusBit::Error | JobStatusBit::Offline | JobStatusBit::PaperOut | JobStatusBit::Blocked;

std::optional<QString> FirstText(std::span<const BitText> table, uint32_t word)
{
    for (const BitText &entry : table) {
        if (word & entry.bit)
            return QString::fromUtf16(entry.text);
    }
    return std::nullopt;
}

// What a printer reports on its own and CUPS keeps until the printer takes
// it back, unlike a stopped or refusing queue.
constexpr uint32_t kReportedFaults = PrinterStatusBit::PaperOut | PrinterStatusBit::Offline
    | PrinterStatusBit::ServerOffline | PrinterStatusBit::DoorOpen;

// An empty queue that cannot print says why: the cause (paper, door) before
// its effect (stopped, refusing jobs).
std::optional<QString> IdleStateText(uint32_t status)
{
    constexpr uint32_t kEffects = PrinterStatusBit::Paused | PrinterStatusBit::NotAvailable;
    if (!(status & kCannotPrint))
        return std::nullopt;
    if (auto cause = FirstText(kPrinterTexts, status & kCannotPrint & ~kEffects))
        return cause;
    return FirstText(kPrinterTexts, status & kEffects);
}

// Walks the queue: the first job whose status has a known bit decides.
std::optional<QString> JobsText(const std::vector<PrintJobInfo> &jobs, QString &gathered)
{
    for (const PrintJobInfo &job : jobs) {
        if (job.status & JobStatusBit::Printing) {
            gathered = QStringLiteral("正在打印！");
            if (job.status & kPrintingJobFailed)
                return QStringLiteral("打印出错！");
        }
        if (auto text = FirstText(kJobTexts, job.status))
            return text;
    }
    return std::nullopt;
}

} // namespace

std::optional<PrinterJobs> GetPrinterJobs(Spooler &spooler, const PrinterHandle &printer)
{
    const auto info = spooler.Information(printer);
    if (!info)
        return std::nullopt;
    auto jobs = spooler.Jobs(printer, 0, info->jobsKnown);
    if (!jobs)
        return std::nullopt;
    return PrinterJobs{std::move(*jobs), info->status, *info};
}

QString PrinterStatusText(const PrinterJobs &queue)
{
    const bool offline = queue.status & (PrinterStatusBit::ServerOffline | PrinterStatusBit::Offline);
    if (!queue.jobs.empty() && queue.status != 0) {
        if (auto text = FirstText(kPrinterTexts, queue.status))
            return *text;
    }
    QString gathered;
    if (auto text = JobsText(queue.jobs, gathered))
        return *text;

    if (offline || (queue.info.attributes & PrinterAttributeBit::WorkOffline))
        return QStringLiteral("该打印机未连电脑");
    if (queue.jobs.empty())
        return IdleStateText(queue.status).value_or(QStringLiteral("空闲"));
    return gathered.isEmpty() ? QStringLiteral("未能获取状态,或正在打印。") : gathered;
}

void LogStatusQuery(const QString &name)
{
    WriteRunLog(name + QStringLiteral("检测打印机的状态"));
}

QString QueryPrinterStatus(Spooler &spooler, const std::optional<PrinterHandle> &printer, const QString &name)
{
    LogStatusQuery(name);
    if (!printer)
        return QStringLiteral("打印机不存在!");
    const auto queue = GetPrinterJobs(spooler, *printer);
    if (!queue)
        return QStringLiteral("打印失败！");
    return PrinterStatusText(*queue);
}

uint32_t ReportedFaults(uint32_t status)
{
    return status & kReportedFaults;
}

bool CanPrintNow(const PrinterInfo &info)
{
    return !(info.status & kCannotPrint) && !(info.attributes & PrinterAttributeBit::WorkOffline);
}

std::optional<PrinterDevice> GetPrinterDevice(Spooler &spooler, const QString &name)
{
    if (!spooler.Open(name))
        return std::nullopt;
    return spooler.DefaultDevice(name);
}

bool IsVirtualPrinter(const QString &name)
{
    static const QStringList kVirtual = {QStringLiteral("Fax"), QStringLiteral("OneNote"),
                                         QStringLiteral("Microsoft Print to PDF"),
                                         QStringLiteral("Microsoft XPS Document Writer")};
    return kVirtual.contains(name);
}
