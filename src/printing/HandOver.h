#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>
#include <vector>

// The hand-over of a photo or of reprint copies to the spooler, kept as a
// transaction in a journal (Config/HandOver.vellora, UTF-16LE lines of
// tab-separated fields), so that whatever moment a crash strikes, the next
// start knows what reached the spooler. A hand-over is opened before the
// photo leaves its list, marked sent just before its job goes to the spooler,
// accepted (with the spooler's job id) once the spooler took the whole
// document, recorded (with the lengths of the day's record files before its
// lines) just before its print record is written, and done once its list
// changes are made. A job the spooler did not accept is unanswered: it may
// still have reached the printer, so it stays a doubt until a later job of
// the same name has looked it up among the spooler's kept jobs.
//
// Every call is safe from any thread; each line is appended whole or not at
// all. The README's "The hand-over to the spooler" tells the whole story.
namespace HandOver {

enum class Kind { NewPhoto, Reprint };

// Opens a hand-over of `copies` copies of the photo the spooler will know as
// `name`, whose file is `path`. Returns its number (never 0).
int64_t Open(Kind kind, int copies, const QString &name, const QString &path);
// The job is about to be sent to `printer`; returns the time noted (seconds since the epoch).
int64_t Sent(int64_t handOver, const QString &printer);
// The spooler took the document as job `jobId`: the copies count as printed.
void Accepted(int64_t handOver, int jobId);
// The lists follow the outcome; nothing is left to do for this hand-over.
void Done(int64_t handOver);

// Writes the print record and the printers' count lines of an accepted
// hand-over (SavePrintInfo), noting first how long the two files were, so
// a restart can tell whether they got their lines. 0 records without a note.
bool Record(int64_t handOver, const QString &pictureName, int copies);

// An earlier attempt of a job name that may have reached the spooler.
struct Doubt
{
    int64_t handOver = 0;
    QString printer;
    QString name;
    int64_t since = 0; // seconds since the epoch, when it was sent
    int copies = 0;
};
// Sent, but the spooler did not say yes: maybe printed, maybe not. The
// attempt becomes a doubt, looked up before its name is sent again.
void Unanswered(const Doubt &doubt);
// Takes the oldest doubt of this job name out of the list, if there is one.
bool TakeDoubt(const QString &name, Doubt &doubt);
// Puts back a doubt that could not be looked up (the spooler did not answer).
void KeepDoubt(const Doubt &doubt);
// The doubt was looked up: found as job `jobId` (0: not found, it never printed).
void Resolved(const Doubt &doubt, int jobId);
// True when the job id already counts for a hand-over of ours.
bool Claimed(int jobId);

// A hand-over a crash left unfinished, as the next start finds it.
struct Unfinished
{
    int64_t handOver = 0;
    Kind kind = Kind::NewPhoto;
    int copies = 0;
    QString name;
    QString path;
    bool sent = false;
    bool accepted = false; // recorded by Recover: the lists only need the photo where it is
    bool latestOfName = true; // no later hand-over of the same name follows it
};

// Start-up, before anything is printed: reads the journal, writes the
// records of accepted hand-overs that lack them, turns sent but unanswered
// ones into doubts, and returns every unfinished hand-over, oldest first, for
// the caller to put its photo or copies back where they wait for a printer.
std::vector<Unfinished> Recover();
// Then: marks those done and rewrites the journal with only what is still
// needed (the open doubts and the job ids they must not be matched with).
void FinishRecovery();

// The journal's file.
std::filesystem::path JournalFile();

} // namespace HandOver
