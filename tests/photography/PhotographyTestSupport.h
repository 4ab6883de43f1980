#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <filesystem>
#include <vector>

// A frame template of `size` pixels, opaque white but for fully transparent
// windows, saved as PNG at `path`.
void SaveTemplate(const std::filesystem::path &path, QSize size, const std::vector<QRect> &windows);

// A small photo of the given colour saved at `path` in the format its name says.
void SavePhoto(const std::filesystem::path &path, QColor colour = Qt::darkCyan);
