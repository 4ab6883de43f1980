#pragma once

#include <filesystem>

// The EXIF orientation tag of a JPEG file, 1 (as stored) to 8; 1 when it has
// none or it cannot be read. Orientations other than 1 mean the stored
// pixels must be turned before they show the way the camera meant.
int ExifOrientation(const std::filesystem::path &path);
