#pragma once

#include <QString>

#include <filesystem>

// File names as the folder holds them are bytes; the program names its
// copies, lists, records and labels with text. A name that is UTF-8 is that
// text. Any other (GBK bytes from a Windows share, say) gets a valid name
// derived from its bytes: their GBK reading when they are GBK, else the
// UTF-8 parts with each other byte written as "%XX". The file itself is
// always reached through its bytes, never through the derived name.

// The text of a name's bytes, derived as above when they are not UTF-8.
QString FileNameText(const std::filesystem::path &name);

// True when the name's bytes are valid UTF-8 (and so FileNameText is exact).
bool IsUtf8FileName(const std::filesystem::path &name);
