#include "platform/CupsSpooler.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <algorithm>
#include <cstring>
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

int Integer(ipp_t *response, const char *name, int fallback)
{
    ipp_attribute_t *attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return attribute ? ippGetInteger(attribute, 0) : fallback;
}

// The name an operator knows a paper by: "A4", "Letter", or the keyword itself.
QString PaperName(const QString &keyword)
{
    const pwg_media_t *media = pwgMediaForPWG(keyword.toUtf8().constData());
    return media && media->ppd ? QString::fromUtf8(media->ppd) : keyword;
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

std::shared_ptr<void> CupsSpooler::Request(void *request, const char *resource)
{
    auto *ipp = static_cast<ipp_t *>(request);
    if (!Reachable()) {
        ippDelete(ipp);
        return {};
    }
    http_t *http = httpConnect2(m_server.c_str(), m_port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                                static_cast<int>(kTimeout.count()), nullptr);
    ipp_t *response = nullptr;
    if (http) {
        httpSetTimeout(http, std::chrono::duration<double>(kTimeout).count(), AbortOnTimeout, nullptr);
        response = cupsDoRequest(http, ipp, resource); // frees the request
        httpClose(http);
    } else {
        ippDelete(ipp);
    }
    if (!response) {
        m_unreachableUntil = (Clock::now() + kUnreachableHold).time_since_epoch().count();
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
        printer.name, {"printer-state", "printer-state-reasons", "printer-is-accepting-jobs", "queued-job-count"});
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

    std::vector<PrintJobInfo> jobs;
    PrintJobInfo *job = nullptr;
    for (ipp_attribute_t *attribute = ippFirstAttribute(AsIpp(response)); attribute;
         attribute = ippNextAttribute(AsIpp(response))) {
        const char *name = ippGetName(attribute);
        if (ippGetGroupTag(attribute) != IPP_TAG_JOB || !name) {
            job = nullptr; // a separator between two jobs
            continue;
        }
        if (!job)
            job = &jobs.emplace_back();
        const std::string_view attributeName(name);
        if (attributeName == "job-id")
            job->id = ippGetInteger(attribute, 0);
        else if (attributeName == "job-state")
            job->status = CupsJobStatusWord(ippGetInteger(attribute, 0));
        else if (attributeName == "job-name")
            job->document = QString::fromUtf8(ippGetString(attribute, 0, nullptr));
    }
    const auto begin = std::min<size_t>(std::max(first, 0), jobs.size());
    const auto end = std::min<size_t>(begin + std::max(count, 0), jobs.size());
    return std::vector<PrintJobInfo>(jobs.begin() + begin, jobs.begin() + end);
}

std::optional<PrinterDevice> CupsSpooler::DefaultDevice(const QString &name)
{
    const auto response = PrinterAttributes(name, {"printer-make-and-model", "device-uri", "media-default",
                                                   "media-supported", "orientation-requested-default",
                                                   "copies-default"});
    if (!response)
        return std::nullopt;
    ipp_t *ipp = AsIpp(response);
    PrinterDevice device;
    device.driver = Text(ipp, "printer-make-and-model");
    device.printer = name;
    device.port = Text(ipp, "device-uri");
    device.paperCode = static_cast<int>(Texts(ipp, "media-supported").indexOf(Text(ipp, "media-default"))) + 1;
    device.orientation = Integer(ipp, "orientation-requested-default", IPP_ORIENT_PORTRAIT) == IPP_ORIENT_LANDSCAPE ? 2 : 1;
    device.copies = Integer(ipp, "copies-default", 1);
    return device;
}

std::vector<PaperInfo> CupsSpooler::Papers(const QString &name)
{
    const auto response = PrinterAttributes(name, {"media-supported"});
    std::vector<PaperInfo> papers;
    if (!response)
        return papers;
    const QStringList keywords = Texts(AsIpp(response), "media-supported");
    for (int i = 0; i < keywords.size(); ++i)
        papers.push_back({PaperName(keywords[i]), i + 1});
    return papers;
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
