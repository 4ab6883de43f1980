#include "platform/CrashPoint.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<CrashPointHook> g_hook{nullptr};

} // namespace

void CrashPoint(const char *name)
{
    if (const CrashPointHook hook = g_hook.load())
        hook(name);
    static const char *const chosen = std::getenv("VELLORA_CRASH_AT");
    if (chosen && std::strcmp(chosen, name) == 0)
        std::raise(SIGKILL);
}

void SetCrashPointHookForTests(CrashPointHook hook)
{
    g_hook = hook;
}
