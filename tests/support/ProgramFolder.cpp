#include "tests/support/ProgramFolder.h"

ProgramFolder::ProgramFolder(Config config)
    : m_previous(std::filesystem::current_path())
{
    std::filesystem::current_path(Path());
    if (config == Config::Create)
        std::filesystem::create_directory("Config");
}

ProgramFolder::~ProgramFolder()
{
    std::filesystem::current_path(m_previous);
}

std::filesystem::path ProgramFolder::Path() const
{
    return std::filesystem::path(m_dir.path().toStdString());
}
