#pragma once

#include <filesystem>

// True when the file starts with a JPEG's start marker and ends with its end
// marker (trailing zero padding allowed). A camera or transfer program that
// is still writing the file, or stopped halfway, leaves it without the end
// marker; the JPEG decoder would otherwise paint the missing part grey and
// the photo would print half.
bool JpegLooksComplete(const std::filesystem::path &file);
