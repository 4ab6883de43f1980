#pragma once

#include <optional>

// The answers the program gives before any window exists, and the choice of
// its program folder.

// Answers "--version" and "--help" on standard output and returns the exit
// code; returns nothing when the window should start. Other arguments are
// left alone: Qt reads its own, the application the rest.
std::optional<int> AnswerWithoutWindow(int argc, char **argv);

// True when the launcher asked for the program folder under the home folder
// ("--home-folder"); a start from a terminal keeps the current folder.
bool WantsHomeFolder(int argc, char **argv);

// Makes "Vellora" under the user's home folder (on first start) the current
// folder. Says why on standard error and returns false when it cannot.
bool EnterHomeFolder();
