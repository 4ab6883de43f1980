#pragma once

#include "platform/Spooler.h"
#include "printing/PrintJobParams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <pthread.h>

// The spooler print jobs ask for a printer's default settings. Set once at
// start-up (tests set their own); each job keeps the one it started with.
void SetPrintSpooler(std::shared_ptr<Spooler> spooler);

// Prints one photo on one printer: waits for its turn on print_thread_cs,
// pauses for the print delay, sends the photo to the printer's queue as one
// document asking for all its copies and gives the turn up; then counts the
// copies, records the print and takes its copy pauses (one second per copy,
// four times). The run log traces every step. A printer
// the spooler no longer knows, a photo that cannot be read or a document the
// spooler refuses end the job without counting or recording anything.
// Clean-up (locks, flags, status texts) happens on every way out. Always 0.
int PrintJob(const PrintJobParams &params);

// A thread started for printing, as the dispatcher keeps it.
struct PrintThread
{
    pthread_t handle;
    uint32_t id; // the thread's kernel id
};

// Runs `body` on a thread of the print threads' owner; returns once the
// thread runs. Nothing when no thread could be made.
std::optional<PrintThread> StartPrintThread(std::function<void()> body);

// Starts PrintJob on a thread of its own, which owns the record from then on.
std::optional<PrintThread> StartPrintJob(std::unique_ptr<PrintJobParams> params);

// Threads started by StartPrintThread that have not ended yet (tests wait
// for 0 before they tear down what the jobs use).
int PrintThreadsRunning();

// Asks every print thread to stop and waits for them: a job still in its
// print delay ends without printing, one in its copy pauses counts and
// records what it sent. The program never calls it (its exit does not wait
// for print jobs); tests do before they tear down what the jobs use, and
// the owner does it at the end of a process that returns from main.
void StopPrintThreads();
