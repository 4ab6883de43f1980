#include "platform/Profile.h"

#include "platform/CodePage936.h"
#include "platform/FileIo.h"

#include <QHash>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Profile {

namespace {

// Parsed files kept beyond this many are dropped, oldest use first, so a
// program that runs for days does not keep every day's run log in memory.
constexpr std::size_t kCachedFiles = 16;

enum class Encoding { CodePage936, Utf16Le };

QByteArray Encode(Encoding encoding, QStringView text)
{
    return encoding == Encoding::Utf16Le ? FileIo::ToUtf16Le(text) : CodePage936::FromUnicode(text);
}

QString Decode(Encoding encoding, QByteArrayView bytes)
{
    return encoding == Encoding::Utf16Le ? FileIo::FromUtf16Le(bytes) : CodePage936::ToUnicode(bytes);
}

// The form in which section and key names are compared: trimmed, without case.
QString NameKey(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

// A caller's name or value as it is stored: trimmed, and on one line, so a
// value can never break the file's structure.
QString OneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.trimmed();
}

// The reader drops one pair of matching quotes around a value.
QString Unquoted(const QString &value)
{
    if (value.size() >= 2 && value.front() == value.back()
        && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
        return value.mid(1, value.size() - 2);
    return value;
}

// One line as the reader sees it.
struct ParsedLine
{
    enum class Kind { Other, Header, Entry };
    Kind kind = Kind::Other;
    QString name;
    QString value;
};

ParsedLine ParseLine(const QString &text)
{
    const QString line = text.trimmed();
    if (line.startsWith(QLatin1Char('['))) {
        const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
        const qsizetype end = close > 0 ? close : line.size();
        return {ParsedLine::Kind::Header, line.mid(1, end - 1).trimmed(), QString()};
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return {};
    return {ParsedLine::Kind::Entry, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()};
}

// An INI file held as the bytes of its lines, so lines nobody changes are
// written back exactly as they were, whatever they contain, plus an index of
// its sections.
class Document final
{
public:
    struct Entry
    {
        std::size_t line;
        QString name;
        QString value;
    };

    static Document Parse(const QByteArray &bytes);
    // What a new file is: code page 936 with CRLF line ends.
    static Document Empty() { return Document(); }

    QByteArray Serialized() const;

    // Index of the first section of that name, in file order.
    std::optional<std::size_t> FindSection(const QString &nameKey) const;
    std::optional<Entry> FindEntry(std::size_t section, const QString &nameKey) const;

    void ReplaceLine(std::size_t line, const QString &text);
    // Adds an entry after the last non-blank line of the section.
    void InsertEntry(std::size_t section, const QString &text);
    // Removes every section of that name with its lines.
    void RemoveSections(const QString &nameKey);

    // The bytes that append a new section with one entry, and the step that
    // records them once they are on disk.
    QByteArray SectionBytes(const QString &name, const QString &entryText) const;
    void CommitAppended(const QString &name, const QString &entryText);

private:
    QByteArray LineBytes(const QString &text) const;
    QByteArray LineFeed() const { return Encode(m_encoding, u"\n"); }
    bool LastLineHasReturn() const;
    // What finishes a last line that has no line end yet, in the file's style.
    QByteArray LastLineEnding() const;
    void EndLastLine();
    QString Text(std::size_t line) const { return Decode(m_encoding, m_lines[line]); }
    std::size_t SectionEnd(std::size_t section) const;
    void AddHeader(std::size_t line, const QString &nameKey);
    void RebuildIndex();

    Encoding m_encoding = Encoding::CodePage936;
    bool m_byteOrderMark = false;
    bool m_crlf = true;
    bool m_lastLineEnded = true;
    // Each line's bytes without its line feed (a carriage return stays).
    std::vector<QByteArray> m_lines;
    // Line of every section header in file order, its name key, and the first section of each name.
    std::vector<std::size_t> m_headers;
    std::vector<QString> m_headerKeys;
    QHash<QString, std::size_t> m_firstSection;
};

Document Document::Parse(const QByteArray &bytes)
{
    Document document;
    qsizetype start = 0;
    if (bytes.startsWith("\xFF\xFE")) {
        document.m_encoding = Encoding::Utf16Le;
        document.m_byteOrderMark = true;
        start = 2;
    }
    const qsizetype step = document.m_encoding == Encoding::Utf16Le ? 2 : 1;
    bool styleKnown = false;
    for (qsizetype at = start; at + step <= bytes.size(); at += step) {
        if (bytes[at] != '\n' || (step == 2 && bytes[at + 1] != '\0'))
            continue;
        QByteArray line = bytes.mid(start, at - start);
        if (!styleKnown) {
            document.m_crlf = line.size() >= step && line[line.size() - step] == '\r';
            styleKnown = true;
        }
        document.m_lines.push_back(std::move(line));
        start = at + step;
    }
    document.m_lastLineEnded = start >= bytes.size();
    if (!document.m_lastLineEnded)
        document.m_lines.push_back(bytes.mid(start));
    document.RebuildIndex();
    return document;
}

QByteArray Document::Serialized() const
{
    const QByteArray lineFeed = LineFeed();
    qsizetype size = m_byteOrderMark ? 2 : 0;
    for (const QByteArray &line : m_lines)
        size += line.size() + lineFeed.size();
    QByteArray bytes;
    bytes.reserve(size);
    if (m_byteOrderMark)
        bytes.append("\xFF\xFE", 2);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        bytes.append(m_lines[i]);
        if (i + 1 < m_lines.size() || m_lastLineEnded)
            bytes.append(lineFeed);
    }
    return bytes;
}

std::optional<std::size_t> Document::FindSection(const QString &nameKey) const
{
    const auto found = m_firstSection.constFind(nameKey);
    if (found == m_firstSection.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<Document::Entry> Document::FindEntry(std::size_t section, const QString &nameKey) const
{
    for (std::size_t line = m_headers[section] + 1; line < SectionEnd(section); ++line) {
        ParsedLine parsed = ParseLine(Text(line));
        if (parsed.kind == ParsedLine::Kind::Entry && parsed.name.toCaseFolded() == nameKey)
            return Entry{line, std::move(parsed.name), std::move(parsed.value)};
    }
    return std::nullopt;
}

void Document::ReplaceLine(std::size_t line, const QString &text)
{
    m_lines[line] = LineBytes(text);
}

void Document::InsertEntry(std::size_t section, const QString &text)
{
    std::size_t after = m_headers[section];
    for (std::size_t line = SectionEnd(section); line-- > m_headers[section] + 1;) {
        if (!Text(line).trimmed().isEmpty()) {
            after = line;
            break;
        }
    }
    EndLastLine();
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(after + 1), LineBytes(text));
    for (std::size_t &header : m_headers) {
        if (header > after)
            ++header;
    }
}

void Document::RemoveSections(const QString &nameKey)
{
    std::vector<QByteArray> kept;
    kept.reserve(m_lines.size());
    const std::size_t beforeFirst = m_headers.empty() ? m_lines.size() : m_headers.front();
    std::move(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(beforeFirst), std::back_inserter(kept));
    for (std::size_t section = 0; section < m_headers.size(); ++section) {
        if (m_headerKeys[section] == nameKey)
            continue;
        std::move(m_lines.begin() + static_cast<std::ptrdiff_t>(m_headers[section]),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(section)), std::back_inserter(kept));
    }
    m_lines = std::move(kept);
    EndLastLine();
    RebuildIndex();
}

QByteArray Document::SectionBytes(const QString &name, const QString &entryText) const
{
    const QByteArray lineFeed = LineFeed();
    QByteArray bytes = LastLineEnding();
    bytes.append(LineBytes(QLatin1Char('[') + name + QLatin1Char(']'))).append(lineFeed);
    bytes.append(LineBytes(entryText)).append(lineFeed);
    return bytes;
}

void Document::CommitAppended(const QString &name, const QString &entryText)
{
    EndLastLine();
    m_lines.push_back(LineBytes(QLatin1Char('[') + name + QLatin1Char(']')));
    AddHeader(m_lines.size() - 1, NameKey(name));
    m_lines.push_back(LineBytes(entryText));
}

QByteArray Document::LineBytes(const QString &text) const
{
    return Encode(m_encoding, m_crlf ? text + QLatin1Char('\r') : text);
}

bool Document::LastLineHasReturn() const
{
    const QByteArray carriageReturn = Encode(m_encoding, u"\r");
    return !m_lines.empty() && m_lines.back().endsWith(carriageReturn);
}

QByteArray Document::LastLineEnding() const
{
    if (m_lastLineEnded || m_lines.empty())
        return QByteArray();
    return Encode(m_encoding, m_crlf && !LastLineHasReturn() ? u"\r\n" : u"\n");
}

void Document::EndLastLine()
{
    if (!m_lastLineEnded && m_crlf && !LastLineHasReturn())
        m_lines.back().append(Encode(m_encoding, u"\r"));
    m_lastLineEnded = true;
}

std::size_t Document::SectionEnd(std::size_t section) const
{
    return section + 1 < m_headers.size() ? m_headers[section + 1] : m_lines.size();
}

void Document::AddHeader(std::size_t line, const QString &nameKey)
{
    // A later section of the same name is never the one read or written.
    if (!m_firstSection.contains(nameKey))
        m_firstSection.insert(nameKey, m_headers.size());
    m_headers.push_back(line);
    m_headerKeys.push_back(nameKey);
}

void Document::RebuildIndex()
{
    m_headers.clear();
    m_headerKeys.clear();
    m_firstSection.clear();
    for (std::size_t line = 0; line < m_lines.size(); ++line) {
        const ParsedLine parsed = ParseLine(Text(line));
        if (parsed.kind == ParsedLine::Kind::Header)
            AddHeader(line, parsed.name.toCaseFolded());
    }
}

// One file: its lock, and its parsed content while that matches the file on disk.
struct FileState
{
    explicit FileState(std::filesystem::path file) : path(std::move(file)) {}

    const std::filesystem::path path;
    std::mutex lock;
    std::unique_ptr<Document> document;
    FileIo::Stamp stamp;
    std::uint64_t lastUse = 0; // guarded by the registry's lock
};

// The state of every file in use, by absolute path, so the same file reached
// by different relative paths or current directories shares one lock.
class Registry final
{
public:
    std::shared_ptr<FileState> Get(const std::filesystem::path &file)
    {
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(file, error).lexically_normal();
        if (error)
            absolute = file;
        const std::lock_guard guard(m_lock);
        std::shared_ptr<FileState> &slot = m_files[absolute.native()];
        if (!slot)
            slot = std::make_shared<FileState>(std::move(absolute));
        slot->lastUse = ++m_uses;
        std::shared_ptr<FileState> state = slot;
        Trim();
        return state;
    }

private:
    // Forgets the least recently used files beyond the limit that no call is using.
    void Trim()
    {
        while (m_files.size() > kCachedFiles) {
            auto oldest = m_files.end();
            for (auto it = m_files.begin(); it != m_files.end(); ++it) {
                if (it->second.use_count() == 1 && (oldest == m_files.end() || it->second->lastUse < oldest->second->lastUse))
                    oldest = it;
            }
            if (oldest == m_files.end())
                return;
            m_files.erase(oldest);
        }
    }

    std::mutex m_lock;
    std::unordered_map<std::string, std::shared_ptr<FileState>> m_files;
    std::uint64_t m_uses = 0;
};

Registry &Files()
{
    static Registry registry;
    return registry;
}

enum class Loaded { Missing, Unreadable, Ready };

// Brings the parsed content up to date with the file; parses again only when
// the file changed since (another process, or an edit by hand).
Loaded Load(FileState &state)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(state.path);
    if (!stamp) {
        state.document.reset();
        return Loaded::Missing;
    }
    if (state.document && state.stamp == *stamp)
        return Loaded::Ready;
    const std::optional<FileIo::Contents> contents = FileIo::ReadAll(state.path);
    if (!contents) {
        state.document.reset();
        return Loaded::Unreadable;
    }
    state.document = std::make_unique<Document>(Document::Parse(contents->bytes));
    state.stamp = contents->stamp;
    return Loaded::Ready;
}

// Replaces the file with the document; on failure the parsed copy no longer
// matches the disk and is dropped.
bool SaveWhole(FileState &state)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::Replace(state.path, state.document->Serialized());
    if (!stamp) {
        state.document.reset();
        return false;
    }
    state.stamp = *stamp;
    return true;
}

bool AppendSection(FileState &state, const QString &section, const QString &entryText)
{
    const QByteArray bytes = state.document->SectionBytes(section, entryText);
    const std::optional<FileIo::Stamp> stamp = FileIo::Append(state.path, bytes, false);
    if (!stamp) {
        state.document.reset();
        return false;
    }
    // Someone else wrote to the file meanwhile: read it again next time.
    if (stamp->size != state.stamp.size + bytes.size()) {
        state.document.reset();
        return true;
    }
    state.document->CommitAppended(section, entryText);
    state.stamp = *stamp;
    return true;
}

} // namespace

QString Read(const std::filesystem::path &file, const QString &section, const QString &key, const QString &fallback,
             int bufferSize)
{
    const auto cut = [bufferSize](const QString &text) { return text.left(std::max(bufferSize - 1, 0)); };
    const std::shared_ptr<FileState> state = Files().Get(file);
    const std::lock_guard guard(state->lock);
    if (Load(*state) != Loaded::Ready)
        return cut(fallback);
    const Document &document = *state->document;
    const std::optional<std::size_t> found = document.FindSection(NameKey(section));
    if (!found)
        return cut(fallback);
    const std::optional<Document::Entry> entry = document.FindEntry(*found, NameKey(key));
    return entry ? cut(Unquoted(entry->value)) : cut(fallback);
}

bool Write(const std::filesystem::path &file, const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = OneLine(section);
    const QString keyName = OneLine(key);
    const QString valueText = OneLine(value);
    const QString entryText = keyName + QLatin1Char('=') + valueText;

    const std::shared_ptr<FileState> state = Files().Get(file);
    const std::lock_guard guard(state->lock);
    switch (Load(*state)) {
    case Loaded::Unreadable:
        // Writing a new file here would destroy what could not be read.
        return false;
    case Loaded::Missing:
        state->document = std::make_unique<Document>(Document::Empty());
        state->document->CommitAppended(sectionName, entryText);
        return SaveWhole(*state);
    case Loaded::Ready:
        break;
    }

    Document &document = *state->document;
    const std::optional<std::size_t> found = document.FindSection(NameKey(sectionName));
    if (!found)
        return AppendSection(*state, sectionName, entryText);
    if (const std::optional<Document::Entry> entry = document.FindEntry(*found, NameKey(keyName))) {
        if (entry->value == valueText)
            return true;
        document.ReplaceLine(entry->line, entry->name + QLatin1Char('=') + valueText);
    } else {
        document.InsertEntry(*found, entryText);
    }
    return SaveWhole(*state);
}

QString AddSection(const std::filesystem::path &file, const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = OneLine(section);
    const QString entryText = OneLine(key) + QLatin1Char('=') + OneLine(value);

    const std::shared_ptr<FileState> state = Files().Get(file);
    const std::lock_guard guard(state->lock);
    switch (Load(*state)) {
    case Loaded::Unreadable:
        return {};
    case Loaded::Missing:
        state->document = std::make_unique<Document>(Document::Empty());
        state->document->CommitAppended(sectionName, entryText);
        return SaveWhole(*state) ? sectionName : QString();
    case Loaded::Ready:
        break;
    }
    QString name = sectionName;
    for (int number = 2; state->document->FindSection(NameKey(name)); ++number)
        name = sectionName + QLatin1Char('-') + QString::number(number);
    return AppendSection(*state, name, entryText) ? name : QString();
}

bool DeleteSection(const std::filesystem::path &file, const QString &section)
{
    const QString nameKey = NameKey(OneLine(section));
    const std::shared_ptr<FileState> state = Files().Get(file);
    const std::lock_guard guard(state->lock);
    switch (Load(*state)) {
    case Loaded::Missing:
        return true;
    case Loaded::Unreadable:
        return false;
    case Loaded::Ready:
        break;
    }
    if (!state->document->FindSection(nameKey))
        return true;
    state->document->RemoveSections(nameKey);
    return SaveWhole(*state);
}

} // namespace Profile
