#pragma once

#include "tests/support/ProgramFolder.h"

#include <QDateTime>

#include <filesystem>
#include <string>
#include <vector>

// A program folder with its four photo folders and an archive folder
// "Backup" in it, today fixed at 5 June 2019 and the pauses scaled down,
// so an archive of a thousand photos takes well under a second.
class ArchiveScene final
{
public:
    static inline const QDateTime Today{QDate(2019, 6, 5), QTime(14, 30)};
    static inline const std::filesystem::path Archive{"Backup"};
    static inline const std::filesystem::path Day = Archive / "20190605";

    ArchiveScene();
    ~ArchiveScene();

private:
    ProgramFolder m_folder;
};

void WriteFile(const std::filesystem::path &file, const std::string &content);
std::string ReadFile(const std::filesystem::path &file);

// Every file below the folder, as paths relative to it, in name order.
std::vector<std::string> FilesBelow(const std::filesystem::path &folder);

// While it lives, this thread and the threads it starts obey file
// permissions even when they run as root, so a read-only folder is one.
class PermissionsEnforced final
{
public:
    PermissionsEnforced();
    PermissionsEnforced(const PermissionsEnforced &) = delete;
    PermissionsEnforced &operator=(const PermissionsEnforced &) = delete;
    ~PermissionsEnforced();

private:
    bool m_dropped = false;
};

// Makes the folder read-only; false when this process may still write into it.
bool MakeReadOnly(const std::filesystem::path &folder);
