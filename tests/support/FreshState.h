#pragma once

// The program's process-wide state (the desk's flags, counters and printer
// table, the intake's, the compose settings and picture counter, the work
// modes, the system settings and reprint rules, the camera's live-view flag,
// the combination settings) as a program start finds it. Each part is reset
// by the function beside it.
//
// Every test starts with it (the test main resets before each test); a test
// that lives several program lives in one process (a restart, a table of
// cases) resets between them, and a harness whose threads change the state
// holds a FreshState so the state is fresh again once they have ended. The
// clock and the pause scale are set and reset by their own fixtures.
void ResetProcessWideState();

// Resets the state when made and again when it goes.
class FreshState final
{
public:
    FreshState() { ResetProcessWideState(); }
    FreshState(const FreshState &) = delete;
    FreshState &operator=(const FreshState &) = delete;
    ~FreshState() { ResetProcessWideState(); }
};
