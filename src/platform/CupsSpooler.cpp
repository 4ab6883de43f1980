#include "platform/CupsSpooler.h"

#include <cups/cups.h>
// The PPD reader is old but still the only way to a driver queue's own
// default paper; silence its deprecation notes.
#define _PPD_DEPRECATED
#include <cups/ppd.h>
#include <cups/pwg.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <span>
#include <string_view>

namespace {

// CUPS printer-state-reasons (without their -error/-warning/-report suffix)
// and states onto the status words the status texts are chosen from.
struct ReasonBit
{
    const char *reason;
    uint32_t bit;
};

constexpr ReasonBit kReasonBits[] = {
    {"paused", PrinterStatusBit::Paused},
    {"other", PrinterStatusBit::Error},
    {"media-jam", PrinterStatusBit::PaperJam},
    {"media-empty", PrinterStatusBit::PaperOut},
    {"media-needed", PrinterStatusBit::PaperOut},
    {"input-tray-missing", PrinterStatusBit::PaperProblem},
    {"offline", PrinterStatusBit::Offline},
    {"moving-to-paused", PrinterStatusBit::Busy},
    {"output-area-full", PrinterStatusBit::OutputBinFull},
    {"shutdown", PrinterStatusBit::NotAvailable},
    {"connecting-to-device", PrinterStatusBit::Waiting},
    {"toner-low", PrinterStatusBit::TonerLow},
    {"marker-supply-low", PrinterStatusBit::TonerLow},
    {"toner-empty", PrinterStatusBit::NoToner},
    {"marker-supply-empty", PrinterStatusBit::NoToner},
    {"spool-area-full", PrinterStatusBit::OutOfMemory},
    {"door-open", PrinterStatusBit::DoorOpen},
    {"cover-open", PrinterStatusBit::DoorOpen},
};

struct StateBit
{
    int state;
    uint32_t bit;
};

constexpr StateBit kPrinterStateBits[] = {
    {IPP_PSTATE_IDLE, 0},
    {IPP_PSTATE_PROCESSING, PrinterStatusBit::Printing},
    {IPP_PSTATE_STOPPED, PrinterStatusBit::Paused},
};
// A queue that refuses new jobs cannot be used.
constexpr uint32_t kRejectingBit = PrinterStatusBit::NotAvailable;

constexpr StateBit kJobStateBits[] = {
    {IPP_JSTATE_PENDING, 0},
    {IPP_JSTATE_HELD, JobStatusBit::Paused},
    {IPP_JSTATE_PROCESSING, JobStatusBit::Printing},
    {IPP_JSTATE_STOPPED, JobStatusBit::Paused},
    {IPP_JSTATE_CANCELED, JobStatusBit::Deleted},
    {IPP_JSTATE_ABORTED, JobStatusBit::Error},
    {IPP_JSTATE_COMPLETED, JobStatusBit::Printed},
};

uint32_t StateWord(std::span<const StateBit> table, int state)
{
    for (const StateBit &entry : table) {
        if (entry.state == state)
            return entry.bit;
    }
    return 0;
}

QString ReasonKeyword(QString reason)
{
    for (const char *suffix : {"-error", "-warning", "-report"}) {
        if (reason.endsWith(QLatin1String(suffix)))
            return reason.chopped(static_cast<int>(strlen(suffix)));
    }
    return reason;
}

using Clock = std::chrono::steady_clock;
// How long requests fail at once after the daemon could not be reached.
constexpr std::chrono::milliseconds kUnreachableHold{3000};

int AbortOnTimeout(http_t *, void *)
{
    return 0;
}

ipp_t *AsIpp(const std::shared_ptr<void> &message)
{
    return static_cast<ipp_t *>(message.get());
}

std::string PrinterUri(const QString &name)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     name.toUtf8().constData());
    return uri;
}

ipp_t *PrinterRequest(ipp_op_t operation, const QString &name)
{
    ipp_t *request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(name).c_str());
    return request;
}

void RequestAttributes(ipp_t *request, std::initializer_list<const char *> attributes)
{
    std::vector<const char *> names(attributes);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(names.size()), nullptr, names.data());
}

QString Text(ipp_t *response, const char *name, int element = 0)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    const char *value = attribute ? ippGetString(attribute, element, nullptr) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

QStringList Texts(ipp_t *response, const char *name)
{
    QStringList values;
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i) {
        if (const char *value = ippGetString(attribute, i, nullptr))
            values.append(QString::fromUtf8(value));
    }
    return values;
}

std::vector<int> Integers(ipp_t *response, const char *name)
{
    std::vector<int> values;
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_INTEGER);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i)
        values.push_back(ippGetInteger(attribute, i));
    return values;
}

PrinterMarkers Markers(ipp_t *response)
{
    return PrinterMarkers{.names = Texts(response, "marker-names"),
                          .levels = Integers(response, "marker-levels"),
                          .lowLevels = Integers(response, "marker-low-levels"),
                          .highLevels = Integers(response, "marker-high-levels"),
                          .messages = Texts(response, "marker-message")};
}

int Integer(ipp_t *response, const char *name, int fallback)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return attribute ? ippGetInteger(attribute, 0) : fallback;
}

http_t *AsHttp(const std::shared_ptr<void> &connection)
{
    return static_cast<http_t *>(connection.get());
}

// The name an operator knows a paper by: "4x6", "A4", "Letter", or the keyword itself.
QString PaperName(const QString &keyword)
{
    const QByteArray utf8 = keyword.toUtf8();
    const pwg_media_t *media = pwgMediaForPWG(utf8.constData());
    if (!media)
        media = pwgMediaForPPD(utf8.constData());
    // A driver's own size keyword "w288h432" names the size in points.
    const auto points = QRegularExpression(QStringLiteral("^w(\\d+)h(\\d+)$")).match(keyword);
    if (!media && points.hasMatch())
        media = pwgMediaForSize(PWG_FROM_POINTS(points.captured(1).toInt()), PWG_FROM_POINTS(points.captured(2).toInt()));
    return media && media->ppd ? QString::fromUtf8(media->ppd) : keyword;
}

// The default paper of a queue without a PPD, from its media-col-default.
void ReadIppPaper(ipp_t *response, PrinterDevice &device)
{
    const QString keyword = Text(response, "media-default");
    if (!keyword.isEmpty() && keyword != QLatin1String("unknown"))
        device.paperName = PaperName(keyword);
    ipp_attribute_t *collection = ippFindAttribute(response, "media-col-default", IPP_TAG_BEGIN_COLLECTION);
    ipp_t *media = collection ? ippGetCollection(collection, 0) : nullptr;
    ipp_attribute_t *sizeAttribute = media ? ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION) : nullptr;
    ipp_t *size = sizeAttribute ? ippGetCollection(sizeAttribute, 0) : nullptr;
    if (!size)
        return;
    const auto points = [](int hundredths) { return hundredths * 72.0 / 2540.0; };
    device.paperSize = QSizeF(points(Integer(size, "x-dimension", 0)), points(Integer(size, "y-dimension", 0)));
    device.paperMargins = QMarginsF(points(Integer(media, "media-left-margin", 0)), points(Integer(media, "media-top-margin", 0)),
                                    points(Integer(media, "media-right-margin", 0)),
                                    points(Integer(media, "media-bottom-margin", 0)));
}

// A queue of this daemon as libcups' destination calls take it, made here
// rather than asked for: libcups' own look-up of a destination ignores the
// connection's time limit and waits minutes for a hung daemon.
class Destination final
{
public:
    Destination(const QString &name, const std::string &uri)
        : m_name(name.toUtf8())
    {
        m_dest.name = m_name.data();
        m_dest.num_options = cupsAddOption("printer-uri-supported", uri.c_str(), 0, &m_dest.options);
    }
    Destination(const Destination &) = delete;
    Destination &operator=(const Destination &) = delete;
    ~Destination()
    {
        cupsFreeDestInfo(info);
        cupsFreeOptions(m_dest.num_options, m_dest.options);
    }

    cups_dest_t *Dest() { return &m_dest; }
    cups_dinfo_t *info = nullptr;

private:
    QByteArray m_name;
    cups_dest_t m_dest{};
};

SpoolerAnswer Refused(const QString &reason)
{
    return SpoolerAnswer{false, 0, reason};
}

QString StatusReason(ipp_status_t status)
{
    // Read right after the call on the same thread: the daemon's own message for that answer.
    const QString message = QString::fromUtf8(cupsLastErrorString());
    return message.isEmpty() ? QString::fromUtf8(ippErrorString(status)) : message;
}

constexpr qint64 kDocumentChunk = 64 * 1024;

// The jobs of a Get-Jobs answer, one Job each: `read` is given every job
// attribute by name, in order; attributes of other groups separate jobs.
template <class Job, class Read>
std::vector<Job> JobsOfAnswer(ipp_t *answer, Read read)
{
    std::vector<Job> jobs;
    Job *job = nullptr;
    for (ipp_attribute_t *attribute = ippFirstAttribute(answer); attribute; attribute = ippNextAttribute(answer)) {
        const char *name = ippGetName(attribute);
        if (ippGetGroupTag(attribute) != IPP_TAG_JOB || !name) {
            job = nullptr;
            continue;
        }
        if (!job)
            job = &jobs.emplace_back();
        read(*job, std::string_view(name), attribute);
    }
    return jobs;
}

} // namespace

uint32_t CupsPrinterStatusWord(const CupsPrinterState &state)
{
    uint32_t word = StateWord(kPrinterStateBits, state.state);
    if (!state.accepting)
        word |= kRejectingBit;
    for (const QString &reason : state.reasons) {
        const QString keyword = ReasonKeyword(reason);
        for (const ReasonBit &entry : kReasonBits) {
            if (keyword == QLatin1String(entry.reason))
                word |= entry.bit;
        }
    }
    return word;
}

uint32_t CupsJobStatusWord(int jobState)
{
    return StateWord(kJobStateBits, jobState);
}

CupsSpooler::CupsSpooler()
{
    // libcups remembers the server per thread; forget it so CUPS_SERVER is read afresh.
    cupsSetServer(nullptr);
    m_server = cupsServer();
    m_port = ippPort();
}

bool CupsSpooler::Reachable() const
{
    return Clock::now().time_since_epoch().count() >= m_unreachableUntil.load();
}

std::shared_ptr<void> CupsSpooler::Connect(std::chrono::milliseconds timeout)
{
    if (!Reachable())
        return {};
    http_t *http = httpConnect2(m_server.c_str(), m_port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                                static_cast<int>(timeout.count()), nullptr);
    if (!http) {
        MarkUnreachable();
        return {};
    }
    httpSetTimeout(http, std::chrono::duration<double>(timeout).count(), AbortOnTimeout, nullptr);
    return std::shared_ptr<void>(http, [](void *connection) { httpClose(static_cast<http_t *>(connection)); });
}

void CupsSpooler::MarkUnreachable()
{
    m_unreachableUntil = (Clock::now() + kUnreachableHold).time_since_epoch().count();
}

std::shared_ptr<void> CupsSpooler::Request(void *request, const char *resource)
{
    auto *ipp = static_cast<ipp_t *>(request);
    const auto http = Connect(kTimeout);
    if (!http) {
        ippDelete(ipp);
        return {};
    }
    ipp_t *response = cupsDoRequest(AsHttp(http), ipp, resource); // frees the request
    if (!response) {
        MarkUnreachable();
        return {};
    }
    return std::shared_ptr<void>(response, [](void *message) { ippDelete(static_cast<ipp_t *>(message)); });
}

std::shared_ptr<void> CupsSpooler::PrinterAttributes(const QString &name, std::initializer_list<const char *> attributes)
{
    ipp_t *request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name);
    RequestAttributes(request, attributes);
    auto response = Request(request, "/");
    if (!response || ippGetStatusCode(AsIpp(response)) > IPP_STATUS_OK_CONFLICTING)
        return {};
    return response;
}

std::optional<QStringList> CupsSpooler::EnumeratePrinters()
{
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    RequestAttributes(request, {"printer-name"});
    const auto response = Request(request, "/");
    if (!response)
        return std::nullopt;
    QStringList names;
    if (ippGetStatusCode(AsIpp(response)) > IPP_STATUS_OK_CONFLICTING)
        return names; // a daemon without printers answers "not found"
    for (ipp_attribute_t *attribute = ippFindAttribute(AsIpp(response), "printer-name", IPP_TAG_NAME); attribute;
         attribute = ippFindNextAttribute(AsIpp(response), "printer-name", IPP_TAG_NAME))
        names.append(QString::fromUtf8(ippGetString(attribute, 0, nullptr)));
    return names;
}

std::optional<PrinterHandle> CupsSpooler::Open(const QString &name)
{
    // Only the daemon's own "no such printer" refuses the name; an unreachable
    // daemon gives a handle whose queries then fail, so the printer's row can
    // say that its state cannot be read.
    ipp_t *request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name);
    RequestAttributes(request, {"printer-name"});
    const auto response = Request(request, "/");
    if (response && ippGetStatusCode(AsIpp(response)) == IPP_STATUS_ERROR_NOT_FOUND)
        return std::nullopt;
    return PrinterHandle{name};
}

std::optional<PrinterInfo> CupsSpooler::Information(const PrinterHandle &printer)
{
    const auto response = PrinterAttributes(
        printer.name, {"printer-state", "printer-state-reasons", "printer-is-accepting-jobs", "queued-job-count",
                       "marker-names", "marker-levels", "marker-low-levels", "marker-high-levels", "marker-message"});
    if (!response)
        return std::nullopt;
    ipp_t *ipp = AsIpp(response);
    CupsPrinterState state;
    state.state = Integer(ipp, "printer-state", IPP_PSTATE_IDLE);
    state.reasons = Texts(ipp, "printer-state-reasons");
    ipp_attribute_t *accepting = ippFindAttribute(ipp, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    state.accepting = !accepting || ippGetBoolean(accepting, 0);
    PrinterInfo info;
    info.status = CupsPrinterStatusWord(state);
    info.jobsKnown = Integer(ipp, "queued-job-count", 0);
    info.markers = Markers(ipp);
    return info;
}

std::optional<std::vector<PrintJobInfo>> CupsSpooler::Jobs(const PrinterHandle &printer, int first, int count)
{
    ipp_t *request = PrinterRequest(IPP_OP_GET_JOBS, printer.name);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
    RequestAttributes(request, {"job-id", "job-state", "job-name"});
    const auto response = Request(request, "/");
    if (!response || ippGetStatusCode(AsIpp(response)) > IPP_STATUS_OK_CONFLICTING)
        return std::nullopt;

    const std::vector<PrintJobInfo> jobs = JobsOfAnswer<PrintJobInfo>(
        AsIpp(response), [](PrintJobInfo &job, std::string_view name, ipp_attribute_t *attribute) {
            if (name == "job-id")
                job.id = ippGetInteger(attribute, 0);
            else if (name == "job-state")
                job.status = CupsJobStatusWord(ippGetInteger(attribute, 0));
            else if (name == "job-name")
                job.document = QString::fromUtf8(ippGetString(attribute, 0, nullptr));
        });
    const auto begin = std::min<size_t>(std::max(first, 0), jobs.size());
    const auto end = std::min<size_t>(begin + std::max(count, 0), jobs.size());
    return std::vector<PrintJobInfo>(jobs.begin() + begin, jobs.begin() + end);
}

std::optional<std::vector<KeptJob>> CupsSpooler::KeptJobsNamed(const QString &printer, const QString &jobName)
{
    ipp_t *request = PrinterRequest(IPP_OP_GET_JOBS, printer);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    // Job names are private to their owner: ask as the user who printed them.
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    RequestAttributes(request, {"job-id", "job-name", "job-state", "number-of-documents", "time-at-creation", "copies"});
    const auto response = Request(request, "/");
    if (!response || ippGetStatusCode(AsIpp(response)) > IPP_STATUS_OK_CONFLICTING)
        return std::nullopt;

    struct Seen
    {
        KeptJob job;
        QString name;
        int state = 0;
        int documents = 0;
    };
    std::vector<Seen> seen = JobsOfAnswer<Seen>(
        AsIpp(response), [](Seen &job, std::string_view name, ipp_attribute_t *attribute) {
            if (name == "job-id")
                job.job.id = ippGetInteger(attribute, 0);
            else if (name == "job-name")
                job.name = QString::fromUtf8(ippGetString(attribute, 0, nullptr));
            else if (name == "job-state")
                job.state = ippGetInteger(attribute, 0);
            else if (name == "number-of-documents")
                job.documents = ippGetInteger(attribute, 0);
            else if (name == "time-at-creation")
                job.job.createdAt = ippGetInteger(attribute, 0);
            else if (name == "copies")
                job.job.copies = ippGetInteger(attribute, 0);
        });
    std::vector<KeptJob> jobs;
    for (Seen &entry : seen) {
        if (entry.name != jobName || entry.job.id <= 0)
            continue;
        entry.job.dropped = entry.state == IPP_JSTATE_CANCELED || entry.state == IPP_JSTATE_ABORTED;
        entry.job.withDocument = !entry.job.dropped
            && (entry.documents > 0 || entry.state == IPP_JSTATE_PROCESSING || entry.state == IPP_JSTATE_COMPLETED);
        jobs.push_back(entry.job);
    }
    return jobs;
}

bool CupsSpooler::CancelJob(int jobId)
{
    ipp_t *request = ippNewRequest(IPP_OP_CANCEL_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    const auto response = Request(request, "/jobs/");
    return response && ippGetStatusCode(AsIpp(response)) <= IPP_STATUS_OK_CONFLICTING;
}

std::optional<PrinterDevice> CupsSpooler::DefaultDevice(const QString &name)
{
    const auto response = PrinterAttributes(name, {"printer-make-and-model", "device-uri", "media-default",
                                                   "media-col-default", "orientation-requested-default",
                                                   "copies-default"});
    if (!response)
        return std::nullopt;
    ipp_t *ipp = AsIpp(response);
    PrinterDevice device;
    device.driver = Text(ipp, "printer-make-and-model");
    device.printer = name;
    device.port = Text(ipp, "device-uri");
    device.copies = Integer(ipp, "copies-default", 1);
    // A queue's PPD knows its default paper even where the daemon cannot
    // name it (a driver's own sizes give "media-default" "unknown").
    const auto http = Connect(kTimeout);
    if (!http || !ReadPpdPaper(http.get(), name, device))
        ReadIppPaper(ipp, device);
    const int requested = Integer(ipp, "orientation-requested-default", IPP_ORIENT_PORTRAIT);
    const bool turned = requested == IPP_ORIENT_LANDSCAPE || requested == IPP_ORIENT_REVERSE_LANDSCAPE;
    const bool wide = device.paperSize.width() > device.paperSize.height();
    device.orientation = turned != wide ? 2 : 1;
    return device;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
bool CupsSpooler::ReadPpdPaper(void *http, const QString &name, PrinterDevice &device)
{
    // Our own file name, so libcups writes there (or links the daemon's
    // file there) and the file goes away with the object.
    QTemporaryFile file;
    if (!file.open())
        return false;
    file.close();
    QByteArray path = QFile::encodeName(file.fileName());
    path.resize(HTTP_MAX_URI);
    time_t modified = 0;
    if (cupsGetPPD3(static_cast<http_t *>(http), name.toUtf8().constData(), &modified, path.data(), path.size())
        != HTTP_STATUS_OK)
        return false;
    ppd_file_t *ppd = ppdOpenFile(path.constData());
    if (!ppd)
        return false;
    ppdMarkDefaults(ppd);
    const ppd_size_t *size = ppdPageSize(ppd, nullptr);
    if (size) {
        device.paperName = PaperName(QString::fromUtf8(size->name));
        device.paperSize = QSizeF(size->width, size->length);
        device.paperMargins = QMarginsF(size->left, size->length - size->top, size->width - size->right, size->bottom);
    }
    ppdClose(ppd);
    return size != nullptr;
}
#pragma GCC diagnostic pop

SpoolerAnswer CupsSpooler::PrintJpeg(const QString &printer, const JpegDocument &document)
{
    const auto connection = Connect(kJobTimeout);
    if (!connection)
        return Refused(QStringLiteral("the spooler cannot be reached"));
    http_t *http = AsHttp(connection);
    Destination destination(printer, PrinterUri(printer));
    destination.info = cupsCopyDestInfo(http, destination.Dest());
    if (!destination.info)
        return Refused(QStringLiteral("the printer does not answer"));

    // Only copies and the job's name: paper, orientation and quality stay the
    // queue's own. "fit" keeps CUPS from cropping or bordering a picture
    // already shaped like the printable area.
    cups_option_t *options = nullptr;
    int count = cupsAddOption("copies", QByteArray::number(std::max(document.copies, 1)).constData(), 0, &options);
    count = cupsAddOption("print-scaling", "fit", count, &options);
    const QByteArray title = document.jobName.toUtf8();
    int jobId = 0;
    const ipp_status_t created =
        cupsCreateDestJob(http, destination.Dest(), destination.info, &jobId, title.constData(), count, options);
    cupsFreeOptions(count, options);
    if (created > IPP_STATUS_OK_CONFLICTING || jobId <= 0)
        return Refused(StatusReason(created));

    const auto cancel = [&](const QString &reason) {
        cupsCancelDestJob(http, destination.Dest(), jobId);
        return Refused(reason);
    };
    if (cupsStartDestDocument(http, destination.Dest(), destination.info, jobId, title.constData(), CUPS_FORMAT_JPEG,
                              0, nullptr, 1)
        != HTTP_STATUS_CONTINUE)
        return cancel(QStringLiteral("the document was not taken"));
    bool written = true;
    if (!document.data.isEmpty()) {
        for (qint64 at = 0; written && at < document.data.size(); at += kDocumentChunk) {
            const qint64 length = std::min(kDocumentChunk, document.data.size() - at);
            written = cupsWriteRequestData(http, document.data.constData() + at, static_cast<size_t>(length))
                == HTTP_STATUS_CONTINUE;
        }
    } else {
        std::ifstream in(document.file, std::ios::binary);
        std::vector<char> chunk(kDocumentChunk);
        written = static_cast<bool>(in);
        while (written && in) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            if (in.gcount() > 0)
                written = cupsWriteRequestData(http, chunk.data(), static_cast<size_t>(in.gcount())) == HTTP_STATUS_CONTINUE;
        }
        written = written && in.eof();
    }
    const ipp_status_t finished = cupsFinishDestDocument(http, destination.Dest(), destination.info);
    if (!written)
        return cancel(QStringLiteral("the document could not be sent whole"));
    if (finished > IPP_STATUS_OK_CONFLICTING)
        return cancel(StatusReason(finished));
    return SpoolerAnswer{true, jobId, {}};
}

SpoolerAnswer CupsSpooler::PrinterOperation(int operation, const QString &name)
{
    ipp_t *request = PrinterRequest(static_cast<ipp_op_t>(operation), name);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    const auto response = Request(request, "/admin/");
    if (!response)
        return Refused(QStringLiteral("the spooler cannot be reached"));
    const ipp_status_t status = ippGetStatusCode(AsIpp(response));
    if (status > IPP_STATUS_OK_CONFLICTING) {
        const QString message = Text(AsIpp(response), "status-message");
        return Refused(message.isEmpty() ? QString::fromUtf8(ippErrorString(status)) : message);
    }
    return SpoolerAnswer{true, 0, {}};
}

SpoolerAnswer CupsSpooler::ResumePrinter(const QString &name)
{
    SpoolerAnswer answer = PrinterOperation(IPP_OP_RESUME_PRINTER, name);
    if (answer.accepted)
        answer = PrinterOperation(IPP_OP_RELEASE_HELD_NEW_JOBS, name);
    return answer;
}

QUrl CupsSpooler::PreferencesPage(const QString &name) const
{
    // A daemon behind a local socket serves its web pages on the loopback port.
    const bool socket = !m_server.empty() && m_server.front() == '/';
    const QString host = socket ? QStringLiteral("localhost") : QString::fromStdString(m_server);
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host);
    url.setPort(socket ? 631 : m_port);
    url.setPath(QStringLiteral("/printers/") + name);
    return url;
}

std::optional<uint32_t> CupsSpooler::JobStatus(int jobId)
{
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    RequestAttributes(request, {"job-state"});
    const auto response = Request(request, "/");
    if (!response || ippGetStatusCode(AsIpp(response)) > IPP_STATUS_OK_CONFLICTING)
        return std::nullopt;
    return CupsJobStatusWord(Integer(AsIpp(response), "job-state", 0));
}
