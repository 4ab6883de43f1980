#pragma once

#include <QByteArray>

#include <filesystem>

// A small JPEG of a photo for a phone's screen: at most `longestSide` pixels
// on its longer side, upright, never the full file. Empty when the photo
// cannot be read.
QByteArray ReducedCopy(const std::filesystem::path &photo, int longestSide = 720);
