#pragma once

// Ends the process at once after flushing what is buffered: worker threads
// are not waited for, and no destructor runs under a live thread.
[[noreturn]] void EndProcessNow();
