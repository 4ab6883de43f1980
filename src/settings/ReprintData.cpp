#include "settings/ReprintData.h"

#include "platform/Pause.h"
#include "platform/WorkerSet.h"

#include <QString>

#include <chrono>
#include <system_error>
#include <vector>

namespace {

bool IsReprintInfoFile(const std::filesystem::path &path)
{
    return QString::fromStdString(path.filename().string()).endsWith(QStringLiteral(".vellora"), Qt::CaseInsensitive);
}

} // namespace

int ClearReprintData(const std::filesystem::path &folder)
{
    // List first, then delete, so the listing never sees its own deletions.
    std::vector<std::filesystem::directory_entry> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (IsReprintInfoFile(it->path()))
            entries.push_back(*it);

    int deleted = 0;
    for (const auto &entry : entries) {
        if (WorkerStopRequested())
            break;
        if (!entry.is_directory(error) && std::filesystem::remove(entry.path(), error))
            ++deleted;
        Pause(std::chrono::milliseconds(100));
    }
    return deleted;
}
