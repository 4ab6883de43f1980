#include "tests/settings/ArchiveScene.h"

#include "platform/Clock.h"
#include "platform/Pause.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr double ArchivePauseScale = 0.001;

struct Capabilities
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
};

// Capabilities belong to one thread, and threads start with their creator's.
bool ReadCapabilities(Capabilities &caps)
{
    return ::syscall(SYS_capget, &caps.header, caps.data) == 0;
}

bool WriteCapabilities(Capabilities &caps)
{
    return ::syscall(SYS_capset, &caps.header, caps.data) == 0;
}

constexpr unsigned OverrideBit = 1u << CAP_DAC_OVERRIDE;

} // namespace

ArchiveScene::ArchiveScene()
{
    for (const char *folder : {"Pic_S", "Pic_B", "Pic_P", "Pic_R"})
        std::filesystem::create_directory(folder);
    std::filesystem::create_directory(Archive);
    Clock::Fix([] { return Today; });
    SetPauseScale(ArchivePauseScale);
}

ArchiveScene::~ArchiveScene()
{
    SetPauseScale(1.0);
    Clock::Reset();
    // Read-only folders left by a test must not keep the temporary folder from going.
    std::error_code ignored;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(m_folder.Path(), ignored))
        if (entry.is_directory(ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
}

void WriteFile(const std::filesystem::path &file, const std::string &content)
{
    std::ofstream(file, std::ios::binary) << content;
}

std::string ReadFile(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> FilesBelow(const std::filesystem::path &folder)
{
    std::vector<std::string> files;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder, ignored))
        if (!entry.is_directory(ignored))
            files.push_back(entry.path().lexically_relative(folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

PermissionsEnforced::PermissionsEnforced()
{
    Capabilities caps;
    if (!ReadCapabilities(caps) || !(caps.data[0].effective & OverrideBit))
        return;
    caps.data[0].effective &= ~OverrideBit;
    m_dropped = WriteCapabilities(caps);
}

PermissionsEnforced::~PermissionsEnforced()
{
    Capabilities caps;
    if (m_dropped && ReadCapabilities(caps)) {
        caps.data[0].effective |= OverrideBit;
        WriteCapabilities(caps);
    }
}

bool MakeReadOnly(const std::filesystem::path &folder)
{
    std::filesystem::permissions(folder, std::filesystem::perms::owner_write | std::filesystem::perms::group_write
                                             | std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    // Try it: access() would answer for root's full powers, not this thread's.
    const std::filesystem::path probe = folder / ".probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
}
