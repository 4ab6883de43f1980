#pragma once

#include <QTemporaryDir>

#include <filesystem>

// A fresh program folder in a temporary directory, made the current
// directory for the life of the object (the program addresses every file
// relative to it). By default it holds an empty Config folder.
class ProgramFolder final
{
public:
    enum class Config { Create, Omit };

    explicit ProgramFolder(Config config = Config::Create);
    ProgramFolder(const ProgramFolder &) = delete;
    ProgramFolder &operator=(const ProgramFolder &) = delete;
    ~ProgramFolder();

    std::filesystem::path Path() const;

private:
    QTemporaryDir m_dir;
    std::filesystem::path m_previous;
};
