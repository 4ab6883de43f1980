#pragma once

#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <string>

#include <sys/types.h>

// The device of the file system holding `path`; 0 when it cannot be told.
dev_t DeviceOf(const std::filesystem::path &path);

// A small tmpfs mounted on an existing folder for the life of the object,
// so a test can move files across file systems or out of a read-only one.
// Mounting needs root; Mounted() says whether it worked. `size` as mount
// takes it ("4m").
class TmpfsMount final
{
public:
    explicit TmpfsMount(const std::filesystem::path &folder, const std::string &size = "4m");
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;
    ~TmpfsMount();

    bool Mounted() const { return m_mounted; }
    // Makes the mount read-only; false when it is not mounted or cannot be.
    bool MakeReadOnly() const;

private:
    std::filesystem::path m_folder;
    std::string m_options;
    bool m_mounted = false;
};

// A folder on another file system than `besides`: a tmpfs of its own, else
// /dev/shm when that is on another disk; removed with this object.
class OtherFileSystem final
{
public:
    explicit OtherFileSystem(const std::filesystem::path &besides);
    OtherFileSystem(const OtherFileSystem &) = delete;
    OtherFileSystem &operator=(const OtherFileSystem &) = delete;

    // Empty when no other file system could be had here.
    const std::filesystem::path &Folder() const { return m_folder; }
    // Makes the folder read-only; false when it is not a mount of ours.
    bool MakeReadOnly() const { return m_mount && m_mount->MakeReadOnly(); }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_shm{QStringLiteral("/dev/shm/vellora-move-XXXXXX")};
    std::optional<TmpfsMount> m_mount;
    std::filesystem::path m_folder;
};
