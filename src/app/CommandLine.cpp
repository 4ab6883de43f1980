#include "app/CommandLine.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char *kHomeFolderOption = "--home-folder";

bool HasArgument(int argc, char **argv, const char *wanted)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], wanted) == 0)
            return true;
    }
    return false;
}

void PrintHelp()
{
    std::printf("Usage: vellora [--home-folder] [--demo]\n"
                "Prints event photos arriving in a folder on the attached CUPS printers.\n"
                "\n"
                "The program keeps its settings, records and photos in its program folder:\n"
                "the current folder, or ~/Vellora with --home-folder.\n"
                "\n"
                "  --home-folder  run in ~/Vellora (made on first start), as the launcher does\n"
                "  --demo         a ready event with its own spooler and two virtual printers\n"
                "                 (needs root)\n"
                "  --version      print the version and exit\n"
                "  --help         print this help and exit\n");
}

fs::path HomeFolder()
{
    if (const char *home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd *entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return {};
}

} // namespace

std::optional<int> AnswerWithoutWindow(int argc, char **argv)
{
    if (HasArgument(argc, argv, "--version")) {
        std::printf("vellora %s\n", VELLORA_VERSION);
        return 0;
    }
    if (HasArgument(argc, argv, "--help") || HasArgument(argc, argv, "-h")) {
        PrintHelp();
        return 0;
    }
    return std::nullopt;
}

bool WantsHomeFolder(int argc, char **argv)
{
    return HasArgument(argc, argv, kHomeFolderOption);
}

bool EnterHomeFolder()
{
    const fs::path home = HomeFolder();
    if (home.empty()) {
        std::fprintf(stderr, "vellora: no home folder is known for this user (HOME is not set).\n");
        return false;
    }
    const fs::path folder = home / "Vellora";
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error)
        fs::current_path(folder, error);
    if (error) {
        std::fprintf(stderr, "vellora: cannot use the program folder %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return false;
    }
    return true;
}
