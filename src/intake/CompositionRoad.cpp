#include "intake/CompositionRoad.h"

#include "compose/CanvasLimit.h"
#include "compose/ImageFiles.h"
#include "desk/RunLog.h"
#include "desk/WorkingFolders.h"
#include "platform/DecimalText.h"

#include <QImageReader>

#include <sys/statvfs.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QString StopPrefix = QStringLiteral("照片合成已停止：");
const QString StopSuffix = QStringLiteral("。照片留在数据源目录，不占用编号；修复后自动继续。");

// A failed write that no check explains is tried again after this long.
constexpr auto WriteRetryPause = 10s;

QString PendingFolderProblem()
{
    const std::string folder = PendingPrefix.toStdString();
    struct statvfs room {};
    if (::access(folder.c_str(), W_OK) != 0 || ::statvfs(folder.c_str(), &room) != 0)
        return QStringLiteral("待打印目录 Pic_P 无法写入");
    const auto free = static_cast<std::int64_t>(room.f_bavail) * static_cast<std::int64_t>(room.f_frsize);
    if (free < MinPendingFolderRoom)
        // No figure in the text: a figure that drifts would report the same stop again and again.
        return QStringLiteral("磁盘空间不足（待打印目录 Pic_P 所在磁盘剩余不到 %1 MB）")
            .arg(MinPendingFolderRoom / (1024 * 1024));
    return {};
}

QString PaperProblem(const QString &widthText, const QString &heightText)
{
    if (PaperWithinLimit(DecimalValue(widthText), DecimalValue(heightText)))
        return {};
    const auto shown = [](const QString &text) { return text.isEmpty() ? QStringLiteral("未设置") : text; };
    return QStringLiteral("纸张尺寸无效（宽 %1 mm，高 %2 mm；可用 %3–%4 mm）")
        .arg(shown(widthText), shown(heightText))
        .arg(MinPaperMm)
        .arg(MaxPaperMm);
}

} // namespace

void CompositionRoad::SetReport(std::function<void(const QString &)> report)
{
    const std::lock_guard lock(m_mutex);
    m_report = std::move(report);
}

bool CompositionRoad::Open(const QString &frameFile, const QString &paperWidthText, const QString &paperHeightText)
{
    const QString cause = Blocked(frameFile, paperWidthText, paperHeightText);
    if (!cause.isEmpty()) {
        Stop(cause);
        return false;
    }
    Reopen();
    return true;
}

bool CompositionRoad::StoppedAfterFailure(const QString &frameFile, const QString &paperWidthText,
                                          const QString &paperHeightText)
{
    {
        // The template is read whole again: it may have broken since it was last read.
        const std::lock_guard lock(m_mutex);
        m_template.reset();
    }
    const QString cause = Blocked(frameFile, paperWidthText, paperHeightText);
    if (cause.isEmpty())
        return false;
    Stop(cause);
    return true;
}

void CompositionRoad::StopForFailedWrite()
{
    {
        const std::lock_guard lock(m_mutex);
        m_writeRetryAt = std::chrono::steady_clock::now() + WriteRetryPause;
    }
    Stop(QStringLiteral("合成的照片无法写入待打印目录 Pic_P"));
}

QString CompositionRoad::StopMessage() const
{
    const std::lock_guard lock(m_mutex);
    return m_stopMessage;
}

QString CompositionRoad::Blocked(const QString &frameFile, const QString &paperWidthText,
                                 const QString &paperHeightText)
{
    if (!frameFile.isEmpty()) {
        if (QString problem = PaperProblem(paperWidthText, paperHeightText); !problem.isEmpty())
            return problem;
        if (QString problem = TemplateProblem(frameFile); !problem.isEmpty())
            return problem;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_writeRetryAt && std::chrono::steady_clock::now() < *m_writeRetryAt)
            return m_stopMessage.mid(StopPrefix.size()).chopped(StopSuffix.size());
        m_writeRetryAt.reset();
    }
    return PendingFolderProblem();
}

QString CompositionRoad::TemplateProblem(const QString &frameFile)
{
    const std::filesystem::path path = frameFile.toStdString();
    const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(path);
    if (!stamp)
        return QStringLiteral("相框文件不存在：") + frameFile;
    {
        const std::lock_guard lock(m_mutex);
        if (m_template && m_template->path == frameFile && m_template->stamp == *stamp)
            return m_template->problem;
    }
    // Read whole once per version of the file: a template cut short or
    // corrupt is found before any photo is touched.
    QString problem;
    const QSize size = QImageReader(frameFile).size();
    if (size.isValid() && !CanvasWithinLimit(size))
        problem = QStringLiteral("相框文件过大（%1 × %2 像素）：").arg(size.width()).arg(size.height()) + frameFile;
    else if (LoadFrameTemplate(path).isNull())
        problem = QStringLiteral("相框文件无法读取（已损坏或不是图片）：") + frameFile;
    const std::lock_guard lock(m_mutex);
    m_template = TemplateVerdict{frameFile, *stamp, problem};
    return problem;
}

void CompositionRoad::Stop(const QString &cause)
{
    const QString message = StopPrefix + cause + StopSuffix;
    std::function<void(const QString &)> report;
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopMessage == message)
            return;
        m_stopMessage = message;
        report = m_report;
    }
    WriteRunLog(message);
    if (report)
        report(message);
}

void CompositionRoad::Reopen()
{
    std::function<void(const QString &)> report;
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopMessage.isEmpty())
            return;
        m_stopMessage.clear();
        report = m_report;
    }
    const QString message = QStringLiteral("照片合成已恢复");
    WriteRunLog(message);
    if (report)
        report(message);
}
