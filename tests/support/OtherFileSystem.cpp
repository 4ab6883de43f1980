#include "tests/support/OtherFileSystem.h"

#include <sys/mount.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

dev_t DeviceOf(const fs::path &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_dev : 0;
}

TmpfsMount::TmpfsMount(const fs::path &folder, const std::string &size)
    // Absolute, so the unmount finds it whatever the current folder is by then.
    : m_folder(fs::absolute(folder))
    , m_options("size=" + size)
{
    m_mounted = ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, m_options.c_str()) == 0;
}

TmpfsMount::~TmpfsMount()
{
    if (m_mounted)
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

bool TmpfsMount::MakeReadOnly() const
{
    return m_mounted && ::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, m_options.c_str()) == 0;
}

OtherFileSystem::OtherFileSystem(const fs::path &besides)
{
    const fs::path mountPoint = fs::path(m_dir.path().toStdString()) / "mounted";
    fs::create_directory(mountPoint);
    m_mount.emplace(mountPoint);
    if (m_mount->Mounted()) {
        m_folder = mountPoint;
        return;
    }
    m_mount.reset();
    if (DeviceOf("/dev/shm") != 0 && DeviceOf("/dev/shm") != DeviceOf(besides))
        m_folder = fs::path(m_shm.path().toStdString());
}
