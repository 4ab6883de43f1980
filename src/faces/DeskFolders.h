#pragma once

#include <QString>

#include <filesystem>

// What the tool needs from the desk's program folder, read from its settings
// files as they are now: the printed photos, the frame template and the
// automatic-reprint info folder. Relative paths in the settings are the
// desk's, so they are taken from the program folder.
struct DeskFolders
{
    std::filesystem::path program;
    std::filesystem::path printed;      // program / "Pic_R"
    std::filesystem::path frameFile;    // empty when none is chosen
    std::filesystem::path infoFolder;   // empty when none is set
};

DeskFolders ReadDeskFolders(const std::filesystem::path &programFolder);

// What keeps the tool from working, for its window; empty when nothing does.
QString DeskFoldersProblem(const DeskFolders &folders);
