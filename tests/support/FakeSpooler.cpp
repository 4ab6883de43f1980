#include "tests/support/FakeSpooler.h"

#include <algorithm>

void FakeSpooler::Set(const Printer &printer)
{
    const std::lock_guard lock(m_mutex);
    Printer copy = printer;
    copy.info.jobsKnown = static_cast<int>(copy.jobs.size());
    if (copy.device)
        copy.device->printer = copy.name;
    const auto found = std::find_if(m_printers.begin(), m_printers.end(),
                                    [&](const Printer &p) { return p.name == printer.name; });
    if (found != m_printers.end())
        *found = copy;
    else
        m_printers.push_back(copy);
}

void FakeSpooler::Remove(const QString &name)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_printers, [&](const Printer &p) { return p.name == name; });
}

void FakeSpooler::SetReachable(bool reachable)
{
    const std::lock_guard lock(m_mutex);
    m_reachable = reachable;
}

int FakeSpooler::CallCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

FakeSpooler::Printer *FakeSpooler::Find(const QString &name)
{
    ++m_calls;
    if (!m_reachable)
        return nullptr;
    const auto found = std::find_if(m_printers.begin(), m_printers.end(),
                                    [&](const Printer &p) { return p.name == name; });
    return found == m_printers.end() ? nullptr : &*found;
}

std::optional<QStringList> FakeSpooler::EnumeratePrinters()
{
    const std::lock_guard lock(m_mutex);
    ++m_calls;
    if (!m_reachable)
        return std::nullopt;
    QStringList names;
    for (const Printer &printer : m_printers)
        names.append(printer.name);
    return names;
}

std::optional<PrinterHandle> FakeSpooler::Open(const QString &name)
{
    const std::lock_guard lock(m_mutex);
    ++m_calls;
    // Like the real spooler, only a reachable spooler can say that a name is unknown.
    const bool known = std::any_of(m_printers.begin(), m_printers.end(), [&](const Printer &p) { return p.name == name; });
    if (m_reachable && !known && !m_anyPrinter)
        return std::nullopt;
    return PrinterHandle{name};
}

std::optional<PrinterInfo> FakeSpooler::Information(const PrinterHandle &printer)
{
    const std::lock_guard lock(m_mutex);
    const Printer *found = Find(printer.name);
    return found ? std::optional(found->info) : std::nullopt;
}

void FakeSpooler::OnJobs(std::function<void(const QString &)> hook)
{
    const std::lock_guard lock(m_mutex);
    m_onJobs = std::move(hook);
}

std::optional<std::vector<PrintJobInfo>> FakeSpooler::Jobs(const PrinterHandle &printer, int first, int count)
{
    std::function<void(const QString &)> hook;
    {
        const std::lock_guard lock(m_mutex);
        hook = m_onJobs;
    }
    if (hook)
        hook(printer.name);
    const std::lock_guard lock(m_mutex);
    const Printer *found = Find(printer.name);
    if (!found)
        return std::nullopt;
    const auto begin = std::min<size_t>(std::max(first, 0), found->jobs.size());
    const auto end = std::min<size_t>(begin + std::max(count, 0), found->jobs.size());
    return std::vector<PrintJobInfo>(found->jobs.begin() + begin, found->jobs.begin() + end);
}

std::optional<PrinterDevice> FakeSpooler::DefaultDevice(const QString &name)
{
    const std::lock_guard lock(m_mutex);
    const Printer *found = Find(name);
    if (!found && m_anyPrinter)
        return Printer().device;
    return found ? found->device : std::nullopt;
}

std::shared_ptr<FakeSpooler> FakeSpooler::PrintingEverything()
{
    auto spooler = std::make_shared<FakeSpooler>();
    spooler->m_anyPrinter = true;
    spooler->m_acceptDocuments = true;
    return spooler;
}

SpoolerAnswer FakeSpooler::PrintJpeg(const QString &printer, const JpegDocument &document)
{
    const std::lock_guard lock(m_mutex);
    if (!Find(printer) && !m_anyPrinter)
        return SpoolerAnswer{false, 0, QStringLiteral("not found")};
    m_documents.push_back(document);
    if (!m_acceptDocuments)
        return SpoolerAnswer{false, 0, QStringLiteral("the fake spooler prints nothing")};
    return SpoolerAnswer{true, static_cast<int>(m_documents.size()), {}};
}

void FakeSpooler::AcceptDocuments(bool accept)
{
    const std::lock_guard lock(m_mutex);
    m_acceptDocuments = accept;
}

std::vector<JpegDocument> FakeSpooler::Documents() const
{
    const std::lock_guard lock(m_mutex);
    return m_documents;
}

SpoolerAnswer FakeSpooler::ResumePrinter(const QString &name)
{
    const std::lock_guard lock(m_mutex);
    Printer *found = Find(name);
    if (!found)
        return SpoolerAnswer{false, 0, QStringLiteral("not found")};
    ++found->resumed;
    return found->resumeAnswer;
}

std::optional<FakeSpooler::Printer> FakeSpooler::Get(const QString &name)
{
    const std::lock_guard lock(m_mutex);
    const Printer *found = Find(name);
    return found ? std::optional(*found) : std::nullopt;
}

QUrl FakeSpooler::PreferencesPage(const QString &name) const
{
    return QUrl(QStringLiteral("http://localhost:631/printers/") + name);
}
