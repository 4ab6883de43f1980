#pragma once

// Named points of the print hand-over where a test can make the program die
// at once, as a kill or a power cut would: the environment variable
// VELLORA_CRASH_AT names the point, and the program ends with SIGKILL when it
// reaches it (no destructor, no flush). Without the variable this costs one
// comparison. The names in use: "after-move-to-printed",
// "after-send-before-record", "after-reprint-handout", "during-print-delay".
void CrashPoint(const char *name);

// A test in the same process may hold a thread at a named point instead:
// the hook runs on every thread that reaches one, with the point's name.
// Null removes it. Set it while no thread can be at a point.
using CrashPointHook = void (*)(const char *name);
void SetCrashPointHookForTests(CrashPointHook hook);
