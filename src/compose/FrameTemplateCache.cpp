#include "compose/FrameTemplateCache.h"

#include "compose/ImageFiles.h"
#include "compose/SinglePhoto.h"
#include "compose/TemplateRows.h"
#include "platform/FileIo.h"

#include <mutex>
#include <optional>

namespace {

struct Kept
{
    std::filesystem::path path;
    FileIo::Stamp stamp;
    FrameTemplate frame;
};

std::mutex g_keptMutex;
std::optional<Kept> g_kept;

// Starts reading the template: row by row when it can be, else whole on a
// thread of its own, premultiplied when it has alpha.
FrameTemplate StartReading(const std::filesystem::path &path)
{
    FrameTemplate frame;
    frame.rows = StartTemplateRows(path, frame.image);
    if (!frame.rows) {
        frame.whole = std::async(std::launch::async, [path] {
                          QImage loaded = LoadFrameTemplate(path);
                          if (loaded.hasAlphaChannel())
                              PremultiplyTemplate(loaded);
                          return loaded;
                      }).share();
    }
    return frame;
}

} // namespace

QImage FrameTemplate::Ready() const
{
    if (whole.valid())
        return whole.get();
    if (rows && !rows->WaitAll())
        return QImage();
    return image;
}

FrameTemplate TakeFrameTemplate(const std::filesystem::path &path)
{
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(path);
    const std::lock_guard lock(g_keptMutex);
    if (stamp && g_kept && g_kept->path == path && g_kept->stamp == *stamp)
        return g_kept->frame;
    g_kept.reset(); // the old template goes before the new one is allocated
    FrameTemplate frame = StartReading(path);
    if (stamp)
        g_kept = Kept{path, *stamp, frame};
    return frame;
}
