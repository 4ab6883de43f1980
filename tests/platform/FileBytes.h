#pragma once

#include <QByteArray>

#include <filesystem>
#include <optional>

// Raw file access for tests that check exactly what reached the disk.
std::optional<QByteArray> FileBytes(const std::filesystem::path &file);
void SetFileBytes(const std::filesystem::path &file, const QByteArray &bytes);
