#pragma once

// When the test program dies of a signal (a crash, an abort), the backtraces
// of all its threads go to standard error before it ends, so a crash in CI
// can be read from the log: gdb attaches to the dying process in batch mode,
// or, without gdb, the crashing thread's own frames are printed. The signal
// then ends the program as it would have. Sanitizer builds keep their own
// reports instead.
void PrintBacktraceOnCrash();
