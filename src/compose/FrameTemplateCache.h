#pragma once

#include <QImage>

#include <filesystem>
#include <future>
#include <memory>

class TemplateRows;

// A frame template as the compositions take it: 32-bit, premultiplied when
// it has alpha. Ready, or still being read on a thread of its own: row by
// row into `image` (`rows`), or whole (`whole`). Copies share the pixels;
// nobody writes to them.
struct FrameTemplate final
{
    QImage image;                         // null until `whole` is ready, or when the file cannot be read
    std::shared_ptr<TemplateRows> rows;   // set while rows of `image` may still be coming
    std::shared_future<QImage> whole;     // valid when the template is being read whole

    // Waits until the whole template is read; null when it cannot be.
    QImage Ready() const;
};

// The template at `path` as the compositions take it. It is read, inflated
// and premultiplied once per version of the file and kept while photos flow:
// the next photo takes the kept one when the file is the same (same path,
// inode, size and modification time), and reads it anew when it changed.
// One template is kept at a time, so memory stays bounded however many
// templates an event goes through. Safe to call from any thread.
FrameTemplate TakeFrameTemplate(const std::filesystem::path &path);
