#include "printing/HandOver.h"

#include "desk/Locks.h"
#include "compose/PictureNumber.h"
#include "platform/DecimalText.h"
#include "platform/FileIo.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "printing/SavePrintInfo.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

namespace HandOver {

namespace {

const QChar kTab(u'\t');

// The journal's state in this process: the next number, the open doubts and
// the spooler's job ids that already count for one of our hand-overs.
struct Journal
{
    std::mutex lock;
    int64_t next = 1;
    std::vector<Doubt> doubts;
    std::set<int> claimed;
    std::vector<int64_t> recovered; // unfinished at start-up, done once the caller put them back
};

Journal &State()
{
    static Journal journal;
    return journal;
}

QString KindText(Kind kind)
{
    return kind == Kind::NewPhoto ? QStringLiteral("photo") : QStringLiteral("reprint");
}

void Append(const QStringList &fields)
{
    // One write per line: all of it or nothing reaches the file.
    Utf16File::AppendLine(JournalFile(), fields.join(kTab));
}

QString Number(int64_t value)
{
    return QString::number(value);
}


int64_t SizeOf(const std::filesystem::path &file)
{
    const auto stamp = FileIo::StampOf(file);
    return stamp ? stamp->size : 0;
}

// Everything the journal says about one hand-over.
struct Story
{
    Unfinished entry;
    QString printer;
    int64_t sentAt = 0;
    int jobId = 0;
    bool unanswered = false;
    bool recorded = false;
    QString stamp;
    int64_t recordSize = -1;
    int64_t countSize = -1;
    bool done = false;
    bool cleared = false;
};

// The last count of `printer` in the day's printer count file.
int LastPrinterCount(const QString &stamp, const QString &printer)
{
    int count = 0;
    for (const QString &line : Utf16File::ReadLines(PrinterCountFile(stamp)).value_or(QStringList())) {
        const CountRecord record = ParseCountLine(line);
        if (record.name == printer)
            count = record.count;
    }
    return count;
}

// The record lines of an accepted hand-over that a crash kept from its files.
void CompleteRecord(const Story &story)
{
    const std::lock_guard records(print_record_cs);
    const QString stamp = story.recorded ? story.stamp : TodayStamp();
    const auto recordFile = PrintRecordFile(stamp);
    const auto countFile = PrinterCountFile(stamp);
    if (!story.recorded || SizeOf(recordFile) <= story.recordSize)
        Utf16File::AppendLine(recordFile, CountLine(PictureNumberKey(story.entry.name), story.entry.copies));
    if (!story.printer.isEmpty() && (!story.recorded || SizeOf(countFile) <= story.countSize))
        Utf16File::AppendLine(countFile,
                              CountLine(story.printer, LastPrinterCount(stamp, story.printer) + story.entry.copies));
}

std::map<int64_t, Story> ReadJournal(Journal &journal)
{
    std::map<int64_t, Story> stories;
    const QStringList lines = Utf16File::ReadLines(JournalFile()).value_or(QStringList());
    for (const QString &line : lines) {
        const QStringList fields = line.split(kTab);
        if (fields.size() < 2)
            continue;
        const QString &what = fields[0];
        if (what == u"claimed") {
            journal.claimed.insert(DecimalValue(fields[1]));
            continue;
        }
        const int64_t number = fields[1].toLongLong();
        if (number <= 0)
            continue;
        journal.next = std::max(journal.next, number + 1);
        Story &story = stories[number];
        story.entry.handOver = number;
        if (what == u"open" && fields.size() >= 6) {
            story.entry.kind = fields[2] == u"photo" ? Kind::NewPhoto : Kind::Reprint;
            story.entry.copies = DecimalValue(fields[3]);
            story.entry.name = fields[4];
            story.entry.path = fields[5];
        } else if (what == u"sent" && fields.size() >= 4) {
            story.entry.sent = true;
            story.printer = fields[2];
            story.sentAt = fields[3].toLongLong();
        } else if (what == u"accepted" && fields.size() >= 3) {
            story.entry.accepted = true;
            story.jobId = DecimalValue(fields[2]);
            journal.claimed.insert(story.jobId);
        } else if (what == u"recorded" && fields.size() >= 5) {
            story.recorded = true;
            story.stamp = fields[2];
            story.recordSize = fields[3].toLongLong();
            story.countSize = fields[4].toLongLong();
        } else if (what == u"unanswered") {
            story.unanswered = true;
        } else if (what == u"done") {
            story.done = true;
        } else if (what == u"cleared") {
            story.cleared = true;
        }
    }
    // A half-written journal (a line without its open) has nothing to put back.
    for (auto it = stories.begin(); it != stories.end();)
        it = it->second.entry.name.isEmpty() ? stories.erase(it) : std::next(it);
    return stories;
}

} // namespace

std::filesystem::path JournalFile()
{
    return std::filesystem::path("Config") / "HandOver.vellora";
}

int64_t Open(Kind kind, int copies, const QString &name, const QString &path)
{
    Journal &journal = State();
    const std::lock_guard lock(journal.lock);
    const int64_t number = journal.next++;
    Append({QStringLiteral("open"), Number(number), KindText(kind), Number(copies), name, path});
    return number;
}

int64_t Sent(int64_t handOver, const QString &printer)
{
    const int64_t now = QDateTime::currentSecsSinceEpoch();
    if (handOver > 0)
        Append({QStringLiteral("sent"), Number(handOver), printer, Number(now)});
    return now;
}

void Accepted(int64_t handOver, int jobId)
{
    {
        Journal &journal = State();
        const std::lock_guard lock(journal.lock);
        journal.claimed.insert(jobId);
    }
    if (handOver > 0)
        Append({QStringLiteral("accepted"), Number(handOver), Number(jobId)});
}

void Unanswered(const Doubt &doubt)
{
    KeepDoubt(doubt);
    if (doubt.handOver > 0)
        Append({QStringLiteral("unanswered"), Number(doubt.handOver)});
}

void Done(int64_t handOver)
{
    if (handOver > 0)
        Append({QStringLiteral("done"), Number(handOver)});
}

bool Record(int64_t handOver, const QString &pictureName, int copies)
{
    const std::lock_guard records(print_record_cs);
    if (handOver > 0) {
        const QString stamp = TodayStamp();
        Append({QStringLiteral("recorded"), Number(handOver), stamp, Number(SizeOf(PrintRecordFile(stamp))),
                Number(SizeOf(PrinterCountFile(stamp)))});
    }
    return SavePrintInfo(pictureName, copies);
}

bool TakeDoubt(const QString &name, Doubt &doubt)
{
    Journal &journal = State();
    const std::lock_guard lock(journal.lock);
    const auto found = std::find_if(journal.doubts.begin(), journal.doubts.end(),
                                    [&](const Doubt &each) { return each.name == name; });
    if (found == journal.doubts.end())
        return false;
    doubt = *found;
    journal.doubts.erase(found);
    return true;
}

void KeepDoubt(const Doubt &doubt)
{
    Journal &journal = State();
    const std::lock_guard lock(journal.lock);
    journal.doubts.insert(journal.doubts.begin(), doubt);
}

void Resolved(const Doubt &doubt, int jobId)
{
    if (jobId > 0) {
        Journal &journal = State();
        const std::lock_guard lock(journal.lock);
        journal.claimed.insert(jobId);
    }
    Append({QStringLiteral("cleared"), Number(doubt.handOver)});
}

bool Claimed(int jobId)
{
    Journal &journal = State();
    const std::lock_guard lock(journal.lock);
    return journal.claimed.count(jobId) > 0;
}

std::vector<Unfinished> Recover()
{
    Journal &journal = State();
    const std::lock_guard lock(journal.lock);
    journal.doubts.clear();
    journal.recovered.clear();
    const std::map<int64_t, Story> stories = ReadJournal(journal);

    QHash<QString, int64_t> latest;
    for (const auto &[number, story] : stories)
        latest[story.entry.name] = number;

    std::vector<Unfinished> unfinished;
    for (const auto &[number, story] : stories) {
        // A doubt from an earlier run that no later job looked up yet.
        if (story.unanswered && story.done && !story.cleared)
            journal.doubts.push_back({number, story.printer, story.entry.name, story.sentAt, story.entry.copies});
        if (story.done)
            continue;
        if (story.entry.accepted)
            CompleteRecord(story);
        else if (story.entry.sent && !story.cleared)
            journal.doubts.push_back({number, story.printer, story.entry.name, story.sentAt, story.entry.copies});
        Unfinished entry = story.entry;
        entry.latestOfName = latest.value(entry.name) == number;
        unfinished.push_back(entry);
        journal.recovered.push_back(number);
    }
    return unfinished;
}

void FinishRecovery()
{
    Journal &journal = State();
    const std::lock_guard lock(journal.lock);
    // What a later start still needs: each open doubt as a finished hand-over
    // that was unanswered, and the job ids already counted for its name.
    QString text;
    const auto line = [&text](const QStringList &fields) { text += fields.join(kTab) + QLatin1Char('\n'); };
    for (const Doubt &doubt : journal.doubts) {
        const QString number = Number(doubt.handOver);
        line({QStringLiteral("open"), number, KindText(Kind::NewPhoto), Number(doubt.copies), doubt.name, QString()});
        line({QStringLiteral("sent"), number, doubt.printer, Number(doubt.since)});
        line({QStringLiteral("unanswered"), number});
        line({QStringLiteral("done"), number});
    }
    if (!journal.doubts.empty()) {
        for (const int jobId : journal.claimed)
            line({QStringLiteral("claimed"), Number(jobId)});
    }
    // Numbers keep growing across starts, so an old doubt is never mistaken for a new hand-over.
    line({QStringLiteral("done"), Number(journal.next - 1 > 0 ? journal.next - 1 : 0)});
    Utf16File::WriteText(JournalFile(), text);
    journal.recovered.clear();
}

} // namespace HandOver
