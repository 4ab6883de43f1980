#pragma once

#include <QImage>

#include <filesystem>
#include <memory>

// A frame template read row by row on a thread of its own, its colours
// premultiplied row by row, so that the composition can lay the first rows
// while the last are still being inflated. Only plain 8-bit RGBA PNGs (not
// interlaced) are read so; the thread ends with the object.
class TemplateRows final
{
public:
    ~TemplateRows();
    TemplateRows(const TemplateRows &) = delete;
    TemplateRows &operator=(const TemplateRows &) = delete;

    // Waits until `count` rows are ready; how many are, or -1 when the file failed.
    int WaitRows(int count);
    bool WaitAll();

    struct State;
    explicit TemplateRows(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> m_state;
};

// Starts reading the template at `path` into `image` (premultiplied 32-bit
// ARGB, allocated at once from the header) when it is a PNG that can be read
// row by row; empty, with `image` untouched, otherwise. `image` and its
// copies may be read (rows that WaitRows gave) but not written to before
// WaitAll: they share the memory the rows are read into.
std::unique_ptr<TemplateRows> StartTemplateRows(const std::filesystem::path &path, QImage &image);
