#include "printing/PrintJob.h"

#include "desk/Locks.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "compose/ExifOrientation.h"
#include "compose/ImageFiles.h"
#include "platform/CodePage936.h"
#include "platform/CrashPoint.h"
#include "platform/Pause.h"
#include "printing/HandOver.h"
#include "platform/WorkerSet.h"
#include "printing/PageShape.h"
#include "printing/PrinterStatus.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex g_spoolerMutex;
std::shared_ptr<Spooler> g_spooler;

// The owner of every print thread. Made on first use, after the process-wide
// state the jobs use, so it is joined before that state goes.
WorkerSet &PrintThreads()
{
    static WorkerSet threads;
    return threads;
}

std::shared_ptr<Spooler> CurrentSpooler()
{
    const std::lock_guard lock(g_spoolerMutex);
    return g_spooler;
}

// A prepared page is encoded once, finely: the photo was encoded once already.
constexpr int kPageJpegQuality = 95;

QByteArray EncodeJpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kPageJpegQuality);
    return writer.write(image) ? bytes : QByteArray();
}

// What the photo file's header says, read without decoding its pixels.
struct PhotoHeader
{
    QSize size;
    bool jpeg = false;
};

PhotoHeader ReadHeader(const std::filesystem::path &path)
{
    QImageReader reader(PathText(path));
    reader.setAutoTransform(false);
    return PhotoHeader{reader.size(), reader.format() == "jpeg"};
}

// The photo as it goes on the page, made in one pass (one picture in
// memory besides the photo): turned a quarter clockwise when `turn`, and
// stretched to the proportions of `area`.
QImage PreparedPage(const QImage &photo, bool turn, QSizeF area)
{
    const QSize upright = turn ? photo.size().transposed() : photo.size();
    const QSize size = StretchedSize(upright, area);
    if (!turn && size == photo.size())
        return photo;
    QImage page(size, QImage::Format_RGB32);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QTransform transform;
    transform.scale(static_cast<double>(size.width()) / upright.width(), static_cast<double>(size.height()) / upright.height());
    if (turn) {
        transform.translate(upright.width(), 0);
        transform.rotate(90);
    }
    painter.setTransform(transform);
    painter.drawImage(0, 0, photo);
    painter.end();
    return page;
}

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
    // Pauses of one second per copy each.
    void CopyPauses(int count) const;
    bool ReadPhoto();
    // An earlier attempt of this photo that reached the spooler after all,
    // or the page sent now: the spooler's answer either way.
    SpoolerAnswer LookUpOrSend();
    std::optional<SpoolerAnswer> LookUpDoubts();
    SpoolerAnswer PrintPage();
    void EndPrintingPhase();
    void CountCopies();
    // Tells the caller and ends the hand-over; one whose caller is gone
    // stays open in the journal for the next start.
    void TellAndFinish(PrintJobParams::Outcome outcome, int copies);

    using Outcome = PrintJobParams::Outcome;
    Outcome m_outcome = Outcome::NotAccepted; // told by the destructor when the job ends early
    const PrintJobParams &m_params;
    const std::shared_ptr<Spooler> m_spooler;
    std::unique_lock<std::recursive_mutex> m_printing{print_thread_cs, std::defer_lock};
    PrinterDevice m_device;
    QSizeF m_area;               // printable area of the page, in points
    bool m_sendFile = false;     // the photo file goes as it is: nothing to turn or stretch
    bool m_turn = false;         // otherwise the photo is turned for the page,
    QImage m_image;              // and this is the photo
    bool m_told = false;         // the caller knows the outcome
    int m_copiesPrinted = 0;     // copies of an accepted job (an earlier attempt's may differ)
};

PrintJobRun::PrintJobRun(const PrintJobParams &params)
    : m_params(params)
    , m_spooler(CurrentSpooler())
{
}

PrintJobRun::~PrintJobRun()
{
    m_image = QImage();
    if (m_printing.owns_lock())
        EndPrintingPhase();
    // A job that ended early (no printer, an error) still gives its photo back.
    if (!m_told)
        TellAndFinish(m_outcome, m_params.copies);
    PrintingName.Set(QString());
    DispatchBusy = false;
}

void PrintJobRun::TellAndFinish(PrintJobParams::Outcome outcome, int copies)
{
    m_told = true;
    if (m_params.answered && !m_params.answered(outcome, copies)) {
        WriteRunLog(m_params.printerName + QStringLiteral(" - 结果留待下次启动:") + m_params.pictureName);
        return;
    }
    HandOver::Done(m_params.handOver);
}

PrinterEntry *PrintJobRun::Entry() const
{
    const int32_t index = m_params.printerIndex;
    if (index < 0 || index >= static_cast<int32_t>(PrinterTable.size()) || PrinterTable[index].name != m_params.printerName)
        return nullptr;
    return &PrinterTable[index];
}

void PrintJobRun::CopyPauses(int count) const
{
    Pause(std::chrono::milliseconds(1000) * m_params.copies * count);
}

void PrintJobRun::Run()
{
    const QString &name = m_params.printerName;
    const QString &picture = m_params.pictureName;

    m_printing.lock();
    DispatchBusy = true;
    PrintingNow = true;
    PrintingName.Set(picture);
    CrashPoint("during-print-delay");
    Pause(std::chrono::seconds(PrintDelaySeconds.load()));
    // Asked to stop within its delay: nothing was sent, nothing is printed.
    if (WorkerStopRequested())
        return;
    WriteRunLog(name + QStringLiteral("进行图片打印:") + picture);

    const auto device = m_spooler ? GetPrinterDevice(*m_spooler, name) : std::nullopt;
    if (!device || !Entry()) {
        WriteRunLog(QStringLiteral("不能调用打印机:") + name);
        return;
    }
    m_device = *device;
    m_area = PrintableArea(m_device, QSizeF(PaperWidthMm, PaperHeightMm));
    Log(QStringLiteral(" - GetPrinterDevice"));
    Log(QStringLiteral(" - SelectPrinter"));

    const bool loaded = ReadPhoto();
    Log(QStringLiteral(" - source_IMG.Load(ImagePath)"));
    // A photo that cannot be read would come out as a blank sheet of photo paper.
    if (!loaded) {
        WriteRunLog(QStringLiteral("不能读取图片:") + picture);
        m_outcome = Outcome::CannotPrint;
        return;
    }

    Log(QStringLiteral(" GlobalLock(pPrintdlg.m_pd.hDevMode)"));
    m_turn = !m_sendFile && TurnsForPage(m_image.size(), m_device);
    if (m_turn)
        Log(QStringLiteral(" ImageRotation(&Print_Img,&source_IMG,angle)"));
    Log(QStringLiteral(" GlobalUnlock(pPrintdlg.m_pd.hDevMode)"));
    Log(QStringLiteral(" - ResetDC"));

    const SpoolerAnswer answer = LookUpOrSend();
    EndPrintingPhase();
    Log(QStringLiteral(" - print_thread_cs.Unlock()"));

    // A document the spooler refused prints nothing: it is neither counted
    // nor recorded, and its photo or copies wait for a printer again.
    if (answer.accepted) {
        CrashPoint("after-send-before-record");
        CopyPauses(1);
        CountCopies();
        HandOver::Record(m_params.handOver, picture, m_copiesPrinted);
        Log(QStringLiteral(" - SavePrintInfo"));
        TellAndFinish(Outcome::Accepted, m_copiesPrinted);
        // All copy pauses but the first come after the record, none inside
        // the printing phase: that phase (delay, read, send) then ends within
        // one four-second print cycle, so a burst's next phase-0 dispatch is
        // never skipped, and the job still lives its full length.
        CopyPauses(3);
    } else {
        WriteRunLog(name + QStringLiteral("打印作业未被接受:") + picture);
        TellAndFinish(Outcome::NotAccepted, m_params.copies);
    }
    WriteRunLog(name + QStringLiteral("打印照片线程结束:") + picture);
}

// Decodes the photo only when the page needs it changed: a JPEG already
// upright, needing no turn and shaped like the printable area goes to the
// spooler as the file itself, so its pixels are never encoded a second time.
bool PrintJobRun::ReadPhoto()
{
    const PhotoHeader header = ReadHeader(m_params.picturePath);
    if (header.size.isEmpty())
        return false;
    m_sendFile = header.jpeg && ExifOrientation(m_params.picturePath) == 1 && !TurnsForPage(header.size, m_device)
        && StretchedSize(header.size, m_area) == header.size;
    if (m_sendFile)
        return true;
    m_image = LoadPhoto(m_params.picturePath);
    return !m_image.isNull();
}

SpoolerAnswer PrintJobRun::LookUpOrSend()
{
    const QString &picture = m_params.pictureName;
    if (const std::optional<SpoolerAnswer> earlier = LookUpDoubts())
        return *earlier;
    const int64_t sentAt = HandOver::Sent(m_params.handOver, m_params.printerName);
    SpoolerAnswer answer = PrintPage();
    if (answer.accepted) {
        HandOver::Accepted(m_params.handOver, answer.jobId);
        m_copiesPrinted = m_params.copies;
    } else {
        // Refused or unanswered, it may still print (a spooler that froze
        // after taking the document): looked up before this name goes again.
        HandOver::Unanswered({m_params.handOver, m_params.printerName, picture, sentAt, m_params.copies});
    }
    return answer;
}

// Earlier attempts of this job name that were never answered: the spooler
// keeps its jobs with their names, finished ones too, so an attempt that
// reached it is found there and counts instead of printing the photo again.
// Nothing when none printed; a refusal when the spooler cannot be asked.
std::optional<SpoolerAnswer> PrintJobRun::LookUpDoubts()
{
    // A spooler's clock second and ours may straddle a tick.
    constexpr int64_t kSlackSeconds = 2;
    const QString &picture = m_params.pictureName;
    HandOver::Doubt doubt;
    while (HandOver::TakeDoubt(picture, doubt)) {
        std::optional<std::vector<KeptJob>> jobs = m_spooler->KeptJobsNamed(doubt.printer, picture);
        if (!jobs) {
            HandOver::KeepDoubt(doubt);
            return SpoolerAnswer{false, 0, QStringLiteral("the spooler cannot be asked about an earlier attempt")};
        }
        std::sort(jobs->begin(), jobs->end(), [](const KeptJob &a, const KeptJob &b) { return a.id < b.id; });
        const KeptJob *printed = nullptr;
        for (const KeptJob &job : *jobs) {
            if (job.createdAt < doubt.since - kSlackSeconds || HandOver::Claimed(job.id))
                continue;
            if (job.withDocument) {
                printed = &job;
                break;
            }
            // A job that never got its document must not print later on its own.
            if (!job.dropped)
                m_spooler->CancelJob(job.id);
        }
        HandOver::Resolved(doubt, printed ? printed->id : 0);
        if (printed) {
            WriteRunLog(m_params.printerName + QStringLiteral(" - 已在打印队列:") + picture);
            HandOver::Accepted(m_params.handOver, printed->id);
            m_copiesPrinted = doubt.copies;
            return SpoolerAnswer{true, printed->id, {}};
        }
    }
    return std::nullopt;
}

// Sends the page: the spooler's answer.
SpoolerAnswer PrintJobRun::PrintPage()
{
    const QString &picture = m_params.pictureName;
    if (PrinterEntry *entry = Entry())
        entry->queueDocuments = CodePage936::FromUnicode(picture);
    Log(QStringLiteral(" - GetDeviceCaps"));
    // Stretched over the printable area without keeping the photo's proportions.
    JpegDocument document{picture, m_params.copies, {}, m_params.picturePath};
    if (!m_sendFile) {
        QImage page = PreparedPage(m_image, m_turn, m_area);
        m_image = QImage();
        document.data = EncodeJpeg(page);
    }
    Log(QStringLiteral(" - ImageScale"));
    if (PrinterEntry *entry = Entry())
        entry->statusText = QStringLiteral("正在打印:") + picture;
    const bool encoded = m_sendFile || !document.data.isEmpty();
    const SpoolerAnswer answer = encoded ? m_spooler->PrintJpeg(m_params.printerName, document) : SpoolerAnswer{};
    Log(QStringLiteral(" - EndDoc"));
    if (!answer.accepted && !answer.reason.isEmpty())
        Log(QStringLiteral(" - ") + answer.reason);
    return answer;
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
        entry->printedCount += m_copiesPrinted;
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
    auto running = std::make_shared<std::promise<uint32_t>>();
    std::future<uint32_t> id = running->get_future();
    try {
        const pthread_t handle = PrintThreads().StartWithHandle([body = std::move(body), running] {
            running->set_value(static_cast<uint32_t>(gettid()));
            body();
        });
        return PrintThread{handle, id.get()};
    } catch (const std::system_error &) {
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
    return PrintThreads().Running();
}

void StopPrintThreads()
{
    PrintThreads().StopAndJoin();
}
