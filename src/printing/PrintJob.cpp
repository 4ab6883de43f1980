#include "printing/PrintJob.h"

#include "app/Locks.h"
#include "app/PrinterTable.h"
#include "app/ProcessState.h"
#include "app/RunLog.h"
#include "compose/ImageFiles.h"
#include "compose/ImageRoutines.h"
#include "platform/CodePage936.h"
#include "platform/Pause.h"
#include "printing/PrinterStatus.h"
#include "printing/SavePrintInfo.h"

#include <QPainter>
#include <QPrinter>

#include <cups/cups.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

std::mutex g_spoolerMutex;
std::shared_ptr<Spooler> g_spooler;
std::atomic<int> g_threadsRunning{0};

std::shared_ptr<Spooler> CurrentSpooler()
{
    const std::lock_guard lock(g_spoolerMutex);
    return g_spooler;
}

constexpr double kMillimetresPerInch = 25.4;

// One run of a print job. Its destructor is the clean-up that every way out
// of the job passes through.
class PrintJobRun final
{
public:
    explicit PrintJobRun(const PrintJobParams &params);
    ~PrintJobRun();
    PrintJobRun(const PrintJobRun &) = delete;
    PrintJobRun &operator=(const PrintJobRun &) = delete;

    void Run();

private:
    void Log(const QString &step) const { WriteRunLog(m_params.printerName + step); }
    // The job's printer entry, unless the table no longer has it where the dispatcher found it.
    PrinterEntry *Entry() const;
    void CopyPause() const;
    void SetUpPage(const PrinterDevice &device);
    QSize PrintableArea() const;
    bool PrintPage();
    void EndPrintingPhase();
    void CountCopies();

    const PrintJobParams &m_params;
    const std::shared_ptr<Spooler> m_spooler;
    std::unique_lock<std::recursive_mutex> m_printing{print_thread_cs, std::defer_lock};
    QImage m_source;             // the photo as loaded
    QImage m_turned;             // the photo turned for a portrait page
    const QImage *m_image = &m_source; // what goes on the page
    std::unique_ptr<QPrinter> m_printer;
};

PrintJobRun::PrintJobRun(const PrintJobParams &params)
    : m_params(params)
    , m_spooler(CurrentSpooler())
{
}

PrintJobRun::~PrintJobRun()
{
    m_printer.reset();
    m_image = nullptr;
    m_turned = QImage();
    m_source = QImage();
    if (m_printing.owns_lock())
        EndPrintingPhase();
    PrintingName.Set(QString());
    DispatchBusy = false;
}

PrinterEntry *PrintJobRun::Entry() const
{
    const int32_t index = m_params.printerIndex;
    if (index < 0 || index >= static_cast<int32_t>(PrinterTable.size()) || PrinterTable[index].name != m_params.printerName)
        return nullptr;
    return &PrinterTable[index];
}

void PrintJobRun::CopyPause() const
{
    Pause(std::chrono::milliseconds(1000) * m_params.copies);
}

void PrintJobRun::Run()
{
    const QString &name = m_params.printerName;
    const QString &picture = m_params.pictureName;

    m_printing.lock();
    DispatchBusy = true;
    PrintingNow = true;
    PrintingName.Set(picture);
    Pause(std::chrono::seconds(PrintDelaySeconds.load()));
    WriteRunLog(name + QStringLiteral("进行图片打印:") + picture);

    const auto device = m_spooler ? GetPrinterDevice(*m_spooler, name) : std::nullopt;
    if (!device || !Entry()) {
        WriteRunLog(QStringLiteral("不能调用打印机:") + name);
        return;
    }
    Log(QStringLiteral(" - GetPrinterDevice"));
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPrinterName(name);
    Log(QStringLiteral(" - SelectPrinter"));

    m_source = LoadPhoto(m_params.picturePath);
    Log(QStringLiteral(" - source_IMG.Load(ImagePath)"));
    // A photo that cannot be read would come out as a blank sheet of photo paper.
    if (m_source.isNull()) {
        WriteRunLog(QStringLiteral("不能读取图片:") + picture);
        return;
    }
    CopyPause();

    Log(QStringLiteral(" GlobalLock(pPrintdlg.m_pd.hDevMode)"));
    SetUpPage(*device);
    Log(QStringLiteral(" GlobalUnlock(pPrintdlg.m_pd.hDevMode)"));
    Log(QStringLiteral(" - ResetDC"));

    const bool accepted = PrintPage();
    EndPrintingPhase();
    Log(QStringLiteral(" - print_thread_cs.Unlock()"));

    // A document the spooler refused prints nothing: it is neither counted nor recorded.
    if (accepted) {
        CopyPause();
        CountCopies();
        SavePrintInfo(picture, m_params.copies);
        Log(QStringLiteral(" - SavePrintInfo"));
        CopyPause();
    } else {
        WriteRunLog(name + QStringLiteral("打印作业未被接受:") + picture);
    }
    m_printer.reset();
    WriteRunLog(name + QStringLiteral("打印照片线程结束:") + picture);
}

void PrintJobRun::SetUpPage(const PrinterDevice &device)
{
    const bool portrait = device.orientation != 2;
    if (portrait && m_source.width() > m_source.height()) {
        ImageRotation(m_turned, m_source, QuarterTurn);
        m_image = &m_turned;
        Log(QStringLiteral(" ImageRotation(&Print_Img,&source_IMG,angle)"));
    }
    m_printer->setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    // The driver makes the copies of one page: the queue gets one job asking for all of them.
    m_printer->setCopyCount(m_params.copies);
}

QSize PrintJobRun::PrintableArea() const
{
    const QRect page = m_printer->pageRect(QPrinter::DevicePixel).toRect();
    if (page.width() >= 1 && page.height() >= 1)
        return page.size();
    // A printer without a printable area: the page's paper size, taken crosswise.
    const double dotsPerMillimetre = m_printer->resolution() / kMillimetresPerInch;
    return QSize(static_cast<int>(PaperHeightMm * dotsPerMillimetre), static_cast<int>(PaperWidthMm * dotsPerMillimetre));
}

// Sends the page; true when the spooler took the document.
bool PrintJobRun::PrintPage()
{
    const QString &picture = m_params.pictureName;
    if (PrinterEntry *entry = Entry())
        entry->queueDocuments = CodePage936::FromUnicode(picture);
    m_printer->setDocName(picture);
    const bool native = m_printer->isValid() && m_printer->outputFormat() == QPrinter::NativeFormat;
    QPainter painter;
    const bool begun = native && painter.begin(m_printer.get());
    Log(QStringLiteral(" - GetDeviceCaps"));
    const QSize area = PrintableArea();
    Log(QStringLiteral(" - ImageScale"));
    CopyPause();
    if (begun)
        painter.drawImage(QRect(QPoint(0, 0), area), *m_image);
    if (PrinterEntry *entry = Entry())
        entry->statusText = QStringLiteral("正在打印:") + picture;
    const bool ended = begun && painter.end();
    Log(QStringLiteral(" - EndDoc"));
    // Qt's CUPS engine hands the finished document to the spooler on this
    // thread and drops the answer; libcups keeps it as this thread's last error.
    return ended && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

void PrintJobRun::EndPrintingPhase()
{
    PrintingNow = false;
    m_printing.unlock();
}

void PrintJobRun::CountCopies()
{
    // The refresh reads the count under the table lock.
    const std::lock_guard table(printer_table_cs);
    if (PrinterEntry *entry = Entry())
        entry->printedCount += m_params.copies;
}

} // namespace

void SetPrintSpooler(std::shared_ptr<Spooler> spooler)
{
    const std::lock_guard lock(g_spoolerMutex);
    g_spooler = std::move(spooler);
}

int PrintJob(const PrintJobParams &params)
{
    PrintJobRun run(params);
    try {
        run.Run();
    } catch (...) {
        try {
            WriteRunLog(QStringLiteral("exception:") + params.printerName);
        } catch (...) {
        }
    }
    return 0;
}

std::optional<PrintThread> StartPrintThread(std::function<void()> body)
{
    ++g_threadsRunning;
    std::promise<uint32_t> running;
    std::future<uint32_t> id = running.get_future();
    try {
        std::thread thread([body = std::move(body), running = std::move(running)]() mutable {
            running.set_value(static_cast<uint32_t>(gettid()));
            body();
            body = nullptr;
            --g_threadsRunning;
        });
        const pthread_t handle = thread.native_handle();
        thread.detach();
        return PrintThread{handle, id.get()};
    } catch (const std::system_error &) {
        --g_threadsRunning;
        return std::nullopt;
    }
}

std::optional<PrintThread> StartPrintJob(std::unique_ptr<PrintJobParams> params)
{
    std::shared_ptr<const PrintJobParams> record(std::move(params));
    return StartPrintThread([record] { PrintJob(*record); });
}

int PrintThreadsRunning()
{
    return g_threadsRunning;
}
