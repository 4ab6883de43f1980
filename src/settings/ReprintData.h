#pragma once

#include <filesystem>

// The combination reprint info files wait in this folder until the
// combination reprint session turns them into reprint entries.
inline const std::filesystem::path CombinationReprintFolder{"CombinationAddPrint"};

// Deletes every "*.vellora" file (extension in any letter case) directly in
// the folder, pausing 100 ms after each so a reprint session reading the
// folder is not raced; folders and other files stay. Blocks for the pauses,
// so call it off the user-interface thread; on a worker asked to stop it
// ends after the file it is deleting. Returns the number deleted.
int ClearReprintData(const std::filesystem::path &folder = CombinationReprintFolder);
