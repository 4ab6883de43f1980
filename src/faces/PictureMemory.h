#pragma once

// Each photo takes a few pictures of tens of megabytes. Left to itself the
// allocator maps every one fresh from the system and gives it back, and the
// kernel's zeroing of the new pages cost a fifth of the counting time. Kept
// in the heap, the same pages serve the next photo. Called once, first thing
// in a counting process.
void KeepPictureMemory();
