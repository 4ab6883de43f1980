#include "tests/support/CrashBacktrace.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <execinfo.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::array kCrashSignals{SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Everything the handler needs is made before a crash: it may only call
// what is safe in a signal handler.
char g_pidText[16];
const char *g_gdb = nullptr;

void Say(const char *text)
{
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, std::strlen(text));
}

// gdb in batch mode, attached to this process: every thread's frames.
bool GdbBacktrace()
{
    if (!g_gdb)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        const char *const argv[] = {g_gdb, "--batch", "--nx", "-q", "-p", g_pidText,
                                    "-ex", "set print frame-arguments none",
                                    "-ex", "thread apply all bt", nullptr};
        ::execv(g_gdb, const_cast<char *const *>(argv));
        ::_exit(127);
    }
    if (child < 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void OnCrash(int signal)
{
    Say("\n*** The test program died of signal ");
    Say(sigabbrev_np(signal) ? sigabbrev_np(signal) : "?");
    Say("; backtrace:\n");
    if (!GdbBacktrace()) {
        void *frames[64];
        ::backtrace_symbols_fd(frames, ::backtrace(frames, 64), STDERR_FILENO);
    }
    // The signal ends the program as it would have without the handler.
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

bool SanitizerBuild()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

} // namespace

void PrintBacktraceOnCrash()
{
    if (SanitizerBuild())
        return;
    std::snprintf(g_pidText, sizeof g_pidText, "%d", static_cast<int>(::getpid()));
    for (const char *gdb : {"/usr/bin/gdb", "/usr/local/bin/gdb"}) {
        if (::access(gdb, X_OK) == 0) {
            g_gdb = gdb;
            break;
        }
    }
    // gdb, a child of ours, may attach where the system restricts tracing to ancestors.
    ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    // backtrace() loads its unwinder on first use, which a handler must not do.
    void *warmUp[1];
    ::backtrace(warmUp, 1);
    struct sigaction action{};
    action.sa_handler = OnCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (const int signal : kCrashSignals)
        ::sigaction(signal, &action, nullptr);
}
