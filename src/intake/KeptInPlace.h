#pragma once

#include <filesystem>

// A photo composed from a source folder that refuses moves (a read-only
// card, an inbox owned by another user) stays in that folder. It is composed
// and printed once: later walks pass it over while the file is unchanged. A
// file that changes is a new photo and is taken again.

// Remembers the file as it is now; true the first time it is remembered in
// this version, so the caller logs and shows it once.
bool RememberKeptInPlace(const std::filesystem::path &source);

// True while the file is the version that was remembered.
bool KnownKeptInPlace(const std::filesystem::path &source);

// True when an earlier run kept this photo already: Pic_S holds a file of
// its name (as FileNameText gives it) with the same bytes (a moved photo leaves no source behind, so
// only a folder that refused the move shows one). The photo is remembered
// as kept in place, so later walks do not read it again.
bool KeptByAnEarlierRun(const std::filesystem::path &source);

// Forgets every photo remembered, as a program start finds it.
void ForgetKeptInPlace();
