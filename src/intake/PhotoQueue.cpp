#include "intake/PhotoQueue.h"

#include "desk/Locks.h"
#include "desk/PrintThreadSlots.h"
#include "desk/PrinterEntryAccess.h"
#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/WorkingFolders.h"
#include "compose/ImageFiles.h"
#include "compose/JpegDecoder.h"
#include "compose/PictureNumber.h"
#include "compose/SinglePhoto.h"
#include "compose/TemplateSettings.h"
#include "intake/DistinctNames.h"
#include "intake/IntakeState.h"
#include "intake/KeptInPlace.h"
#include "intake/PhotoNames.h"
#include "intake/ReprintState.h"
#include "intake/ReprintTexts.h"
#include "intake/SourceFolderScan.h"
#include "platform/Clock.h"
#include "platform/CrashPoint.h"
#include "platform/DecimalText.h"
#include "platform/FileIo.h"
#include "platform/FileMove.h"
#include "platform/FileNameText.h"
#include "platform/Pause.h"
#include "printing/HandOver.h"
#include "printing/PrintDispatcher.h"
#include "printing/WorkMode.h"
#include "settings/SystemSettings.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <fstream>
#include <mutex>

using namespace std::chrono_literals;

namespace {

const QString kReprintHint = ReprintText::ReprintHowTo;

enum PendingColumn { PendingNameColumn = 1 };

std::filesystem::path PathOf(const QString &text)
{
    return std::filesystem::path(text.toStdString());
}

// A JPEG starts with its start-of-image marker; a PNG or anything else named
// .jpg is not a photo for the queue, whatever a picture reader makes of it.
bool StartsAsJpeg(const std::filesystem::path &file)
{
    char head[3] = {};
    std::ifstream in(file, std::ios::binary);
    return in.read(head, sizeof head) && static_cast<unsigned char>(head[0]) == 0xFF
        && static_cast<unsigned char>(head[1]) == 0xD8 && static_cast<unsigned char>(head[2]) == 0xFF;
}

// Moves a photo between the working folders. A source that is gone moves
// nothing and deletes nothing: a printed photo must not be lost to a
// pending row whose file has gone.
bool MovePhoto(const QString &from, const QString &to, FileMove::Clash clash)
{
    return FileMove::Move(PathOf(from), PathOf(to), clash).has_value();
}

QFileInfoList ListFolder(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                      QDir::Name | QDir::IgnoreCase);
}

// One composition at a time, across every thread that may start one.
std::mutex g_compositionMutex;

std::chrono::milliseconds ThumbnailPause()
{
    return std::chrono::milliseconds(SystemSettings::ThumbnailSize() * 30);
}

} // namespace

PhotoQueue::PhotoQueue(QSize thumbnailSize, QObject *parent)
    : QObject(parent)
    , m_pending(std::make_unique<PhotoListModel>(PhotoListModel::PendingHeaders(), thumbnailSize))
    , m_printed(std::make_unique<PhotoListModel>(PhotoListModel::PrintedHeaders(), thumbnailSize))
{
}

PhotoQueue::~PhotoQueue()
{
    // Before anything of the queue goes: the workers use its lists and
    // signals. Print jobs are not waited for (a frozen spooler may hold one);
    // their answers no longer reach the queue and stay in the journal.
    m_answers.Cut();
    m_workers.StopAndJoin();
}

void PhotoQueue::AddPendingItem(const QString &name, const QString &path, int row)
{
    if (name.isEmpty() || path.isEmpty())
        return;
    const int number = PictureNumberOf(name);
    // A photo without a number (copied without a template) shows its row.
    const QString numberText = QString::number(number == 0 ? row : number);
    m_pending->InsertRow(row, {QString(), name, numberText}, path);
}

void PhotoQueue::AddPrintedItem(const QString &name, const QString &quantity, const QString &path)
{
    if (name.isEmpty() || path.isEmpty())
        return;
    const QString number = QString::number(PictureNumberOf(name));
    m_printed->InsertRow(PrintedNextIndex, {QString(), quantity, name, path, number}, path);
}

// ---- Composition ----------------------------------------------------------

void PhotoQueue::StartComposition(std::unique_ptr<ScanTaskParams> task)
{
    // Set before the thread runs, so the scan that started it sees it at once.
    ComposingNow = true;
    m_workers.Start([this, task = std::shared_ptr<const ScanTaskParams>(std::move(task))] { Compose(*task); });
}

void PhotoQueue::Compose(const ScanTaskParams &task)
{
    ComposingNow = true;
    {
        // One composition at a time: the pending name it reserves and the picture number it takes.
        const std::lock_guard compositionLock(g_compositionMutex);
        const QString pendingName = DistinctPendingName(MakePendingName(task.fileName, Clock::Now()));
        const QString pendingPath = PendingPrefix + pendingName;
        ComposingName.Set(task.fileName);

        // A queue going away composes nothing more; the photo stays for the next run.
        if (!task.source.empty() && !WorkerStopRequested()) {
            WriteRunLog(QStringLiteral("图片合成:") + task.fileName);
            if (!IsUtf8FileName(task.source.filename()))
                WriteRunLog(QStringLiteral("文件名不是UTF-8，按“%1”处理（原名字节：%2）")
                                .arg(task.fileName, QString::fromLatin1(QByteArray::fromStdString(task.source.filename().native()).toHex(' '))));
            if (!StartsAsJpeg(task.source)) {
                if (const std::optional<FileIo::Stamp> stamp = FileIo::StampOf(task.source))
                    RememberUncomposable(task.source, *stamp, QStringLiteral("不是JPEG文件"));
            } else if (!task.frameFile.isEmpty()) {
                ComposeWithTemplate(task, pendingName, pendingPath);
            } else {
                CopyWithoutTemplate(task, pendingName, pendingPath);
            }
        }
    }

    // The walk that started this composition waits for it; no pause is needed
    // to keep the next one from starting early.
    --ComposeThreadCount;
    ComposingNow = false;
    ComposingName.Set(QString());
    WriteRunLog(QStringLiteral("图片合成线程结束"));
}

bool PhotoQueue::ComposeWithTemplate(const ScanTaskParams &task, const QString &pendingName,
                                     const QString &pendingPath)
{
    const std::filesystem::path &source = task.source;
    // The file is examined once before it is opened and once after it is
    // composed: a photo still being written, or cut short, is left where it
    // is for a later scan.
    const std::optional<FileIo::Stamp> before = FileIo::StampOf(source);
    if (!before)
        return false;
    const TemplateSettings settings = CurrentTemplateSettings.Get();
    const int paperWidth = DecimalValue(task.paperWidthText);
    const int paperHeight = DecimalValue(task.paperHeightText);
    auto [frameTemplate, photo, photoDamaged] =
        OpenCompositionInputs(source, PathOf(task.frameFile), settings, CanvasSize(paperWidth, paperHeight));
    bool composed = false;
    if (photo && !frameTemplate.isNull()) {
        // The pending name is reserved and the JPEG appears whole under it, so the
        // pending folder is held only to list the photo and keep its source: a
        // dispatch step never waits for a composition.
        QImage output;
        composed = ComposeSinglePhoto(*photo, frameTemplate, output, PathOf(pendingPath), pendingName, settings,
                                      paperWidth, paperHeight, SystemSettings::PictureQuality());
        photoDamaged = photo->damaged;
    }
    // The photo was decoded while it was composed: a file that changed
    // meanwhile gives no print; it is tried again as it is now.
    const std::optional<FileIo::Stamp> after = FileIo::StampOf(source);
    if (after != before) {
        if (composed)
            QFile::remove(pendingPath);
        return false;
    }
    if (!photo || photoDamaged) {
        RememberUncomposable(source, *after);
        return false;
    }
    if (frameTemplate.isNull()) {
        // The template broke since the road was checked: the photo is not to blame.
        m_road.StoppedAfterFailure(task.frameFile, task.paperWidthText, task.paperHeightText);
        return false;
    }
    if (!composed) {
        Failed(task, *after);
        return false;
    }
    const std::lock_guard folderLock(pending_folder_cs);
    AddPendingUnlessListed(pendingName, pendingPath);
    KeepSource(task);
    return true;
}

void PhotoQueue::Failed(const ScanTaskParams &task, const FileIo::Stamp &stamp)
{
    if (m_road.StoppedAfterFailure(task.frameFile, task.paperWidthText, task.paperHeightText))
        return;
    // A whole photo that still could not be composed was not written: not the photo's fault.
    if (JpegIsWhole(task.source))
        m_road.StopForFailedWrite();
    else
        RememberUncomposable(task.source, stamp);
}

void PhotoQueue::CopyWithoutTemplate(const ScanTaskParams &task, const QString &pendingName,
                                     const QString &pendingPath)
{
    const std::filesystem::path &source = task.source;
    const std::optional<FileIo::Stamp> before = FileIo::StampOf(source);
    if (!before)
        return;
    const bool whole = JpegIsWhole(source);
    const std::optional<FileIo::Stamp> after = FileIo::StampOf(source);
    if (after != before)
        return; // tried again as it is now
    if (!whole) {
        RememberUncomposable(source, *after);
        return;
    }
    // Copied beside and renamed into place: never half a photo in the queue.
    if (!FileMove::Copy(source, PathOf(pendingPath), FileMove::Clash::Replace)) {
        Failed(task, *after);
        return;
    }
    const std::lock_guard folderLock(pending_folder_cs);
    AddPendingUnlessListed(pendingName, pendingPath);
    KeepSource(task);
}

void PhotoQueue::AddPendingUnlessListed(const QString &pendingName, const QString &pendingPath)
{
    const std::lock_guard listLock(pending_list_cs);
    for (int row = 0; row < m_pending->RowCount(); ++row) {
        if (m_pending->Text(row, PendingNameColumn) == pendingName)
            return;
    }
    AddPendingItem(pendingName, pendingPath, m_pending->RowCount());
}

void PhotoQueue::KeepSource(const ScanTaskParams &task)
{
    // A photo kept earlier under the same name (a second camera's IMG_1234.JPG)
    // stays; the newcomer takes a copy number.
    const QString keepPath = SourcePrefix + task.fileName;
    std::error_code error;
    if (std::filesystem::is_symlink(task.source, error)) {
        // A link is followed: Pic_S keeps the photo itself, and the link goes.
        if (FileMove::Copy(task.source, PathOf(keepPath), FileMove::Clash::KeepBoth)
            && std::filesystem::remove(task.source, error))
            return;
    } else if (FileMove::Move(task.source, PathOf(keepPath), FileMove::Clash::KeepBoth)
               || FileMove::Move(task.source, PathOf(keepPath), FileMove::Clash::KeepBoth)) {
        return;
    }
    KeepUnmovableSource(task, keepPath);
}

void PhotoQueue::KeepUnmovableSource(const ScanTaskParams &task, const QString &keepPath)
{
    // The source folder refuses moves: Pic_S still gets the photo as received,
    // and the walks pass the original over, so it is not printed again.
    // Whole or not at all; the photo is printed either way, so the walks still pass it over.
    if (!FileMove::Copy(task.source, PathOf(keepPath), FileMove::Clash::KeepBoth))
        WriteRunLog(QStringLiteral("照片无法保存到Pic_S:") + task.fileName);
    if (!RememberKeptInPlace(task.source))
        return;
    WriteRunLog(QStringLiteral("照片无法移出数据源目录:") + task.fileName);
    emit HintChanged(QStringLiteral("照片已合成，但无法移出数据源目录（只读？）：") + task.fileName);
}


// ---- Dispatch -------------------------------------------------------------

bool PhotoQueue::IdlePrinterForNewPhotos() const
{
    // A refresh pass can hold the table for seconds; this tick then simply finds none.
    std::unique_lock tableLock(printer_table_cs, std::try_to_lock);
    if (!tableLock)
        return false;
    return std::any_of(PrinterTable.begin(), PrinterTable.end(), [](const PrinterEntry &entry) {
        const int32_t mode = EntryWorkMode(entry);
        return EntryChecked(entry) && mode != WorkModeReprint && mode != WorkModeStandby && EntryJobCount(entry) < 1;
    });
}

void PhotoQueue::DispatchStep(bool startChecked)
{
    int rows = 0;
    {
        const std::lock_guard listLock(pending_list_cs);
        rows = m_pending->RowCount();
    }
    if (!ComposingNow && PendingScanCount == 0 && rows == 0) {
        PendingQueueIdle = true;
        // Files put into Pic_P by hand are picked up once the queue has idled a while.
        if (!PrintersBusy && m_idleEmptyTicks > 30 && noReprintWork) {
            StartPendingFolderScan();
            m_idleEmptyTicks = 0;
        }
        ++m_idleEmptyTicks;
        return;
    }
    if (PrintCyclePhase != 0 || PrintersBusy || rows == 0 || QueueRebuilding || !AutoPrintRunning)
        return;

    // Never wait on the user-interface thread: a scan holding the folder means "not this tick".
    std::unique_lock folderLock(pending_folder_cs, std::try_to_lock);
    if (!folderLock)
        return;
    m_idleEmptyTicks = 0;
    PendingQueueIdle = false;
    const QString name = m_pending->Text(0, PendingNameColumn);
    const QString pendingPath = PendingPrefix + name;
    if (!QFile::exists(pendingPath)) {
        const std::lock_guard listLock(pending_list_cs);
        m_pending->RemoveRow(0);
    }

    const bool printerFound = IdlePrinterForNewPhotos();
    if (!NoPrinterEverChecked && startChecked && PendingScanCount == 0 && !name.isEmpty() && printerFound
        && Dispatch(name, WorkModeReprint))
        HandOver(0, 500ms);
    PendingQueueIdle = true;
}

bool PhotoQueue::Dispatch(const QString &name, int32_t excludedMode)
{
    const QString printedPath = PrintedPrefix + name;
    const QString pendingPath = PendingPrefix + name;
    // Journalled before the photo leaves Pic_P: a crash from here on finds it.
    const int64_t handOver = ::HandOver::Open(::HandOver::Kind::NewPhoto, 1, name, printedPath);
    if (!MovePhoto(pendingPath, printedPath, FileMove::Clash::Replace)) {
        ::HandOver::Done(handOver);
        return false;
    }
    CrashPoint("after-move-to-printed");
    const auto answered = [queue = m_answers.Holder(), this, name](PrintJobParams::Outcome outcome, int) {
        return queue.Run([&] { Answered(name, outcome); });
    };
    if (DispatchPhoto(PathOf(printedPath), 1, name, excludedMode, handOver, answered))
        return true;
    MovePhoto(printedPath, pendingPath, FileMove::Clash::KeepBoth);
    ::HandOver::Done(handOver);
    return false;
}

void PhotoQueue::Answered(const QString &name, PrintJobParams::Outcome outcome)
{
    if (outcome == PrintJobParams::Outcome::NotAccepted) {
        // Not printed: back to Pic_P, first in the queue, for the next printer.
        const std::lock_guard folderLock(pending_folder_cs);
        const QString pendingPath = PendingPrefix + name;
        if (!QFile::exists(pendingPath))
            QFile::rename(PrintedPrefix + name, pendingPath);
        WriteRunLog(QStringLiteral("照片未被打印，重新排队:") + name);
        const std::lock_guard listLock(pending_list_cs);
        for (int row = 0; row < m_pending->RowCount(); ++row) {
            if (m_pending->Text(row, PendingNameColumn) == name)
                return;
        }
        AddPendingItem(name, pendingPath, 0);
        return;
    }
    // Printed (or unreadable, which no retry mends): it joins the printed list.
    const bool printed = outcome == PrintJobParams::Outcome::Accepted;
    const std::lock_guard listLock(pending_list_cs);
    AddPrintedItem(PictureNumberKey(name), printed ? QStringLiteral("1") : QStringLiteral("0"), PrintedPrefix + name);
    ++PrintedNextIndex;
}

void PhotoQueue::HandOver(int row, std::chrono::milliseconds settle)
{
    {
        // The printed list gets the photo once the spooler has accepted it (Answered).
        const std::lock_guard listLock(pending_list_cs);
        QueueRebuilding = true;
        RemoveRowAndRenumber(row);
    }
    // The queue settles before the next photo may leave it; the window keeps running meanwhile.
    QTimer::singleShot(std::chrono::milliseconds(static_cast<int>(settle.count() * PauseScale())), this,
                       [] { QueueRebuilding = false; });
}

void PhotoQueue::RemoveRowAndRenumber(int row)
{
    m_pending->RemoveRow(row);
    for (int at = m_pending->RowCount() - 1; at >= 0; --at) {
        if (m_pending->Text(at, PendingNameColumn).isEmpty())
            m_pending->RemoveRow(at);
    }
}

PhotoQueue::PrintNowResult PhotoQueue::PrintNow(int row, bool autoPrintPaused)
{
    if (!PrintWorkersReady) {
        BuildThreadTables();
        PrintWorkersReady = true;
    }
    if (row < 0 || PendingScanRunning || ComposingNow || PrintingNow)
        return PrintNowResult::NotNow;
    std::unique_lock folderLock(pending_folder_cs, std::try_to_lock);
    if (!folderLock)
        return PrintNowResult::NotNow;
    const std::lock_guard listLock(pending_list_cs);

    const QString name = m_pending->Text(row, PendingNameColumn);
    if (name.isEmpty() || DispatchSuspended())
        return PrintNowResult::NotNow;

    bool standbyIdle = false;
    bool otherIdle = false;
    for (const PrinterEntry &entry : PrinterTable) {
        if (!EntryChecked(entry) || EntryJobCount(entry) >= 1)
            continue;
        (EntryWorkMode(entry) == WorkModeStandby ? standbyIdle : otherIdle) = true;
    }
    const bool allowed = (autoPrintPaused && (standbyIdle || otherIdle)) || (StandbyInUse && standbyIdle && !otherIdle);
    if (NoPrinterEverChecked || PendingScanCount > 0 || !allowed)
        return PrintNowResult::NotNow;
    if (PrintersBusy || QueueRebuilding)
        return PrintNowResult::PrintersBusy;

    if (!Dispatch(name, WorkModeNew))
        return PrintNowResult::NotNow;
    HandOver(row, 300ms);
    return PrintNowResult::Started;
}

void PhotoQueue::TakeOut(int row)
{
    if (row < 0 || PendingScanRunning || ComposingNow || PrintingNow)
        return;
    std::unique_lock folderLock(pending_folder_cs, std::try_to_lock);
    if (!folderLock)
        return;
    const std::lock_guard listLock(pending_list_cs);

    const QString name = m_pending->Text(row, PendingNameColumn);
    const QString pendingPath = PendingPrefix + name;
    if (name.isEmpty() || !QFile::exists(pendingPath)) {
        m_pending->RemoveRow(row);
        return;
    }
    // A photo taken out earlier under the same name stays beside it.
    if (MovePhoto(pendingPath, TakenOutPrefix + name, FileMove::Clash::KeepBoth))
        RemoveRowAndRenumber(row);
}

// ---- Folder scans ---------------------------------------------------------

void PhotoQueue::StartPrintedFolderScan()
{
    m_workers.Start([this] { WalkPrintedFolder(); });
}

void PhotoQueue::WalkPrintedFolder()
{
    WriteRunLog(QStringLiteral("开始检查已打印目录线程"));
    // Today's reprint list file is read by the restore below; nothing may write it before.
    ReprintFileUnread = true;
    bool anyJpeg = false;
    // The list is ready as soon as its rows are: the thumbnails follow off
    // this thread, so a restart late on a big day gets the desk back in seconds.
    for (const QFileInfo &entry : ListFolder(QStringLiteral("Pic_R"))) {
        if (WorkerStopRequested())
            break;
        if (entry.isDir())
            continue;
        const QString path = PrintedPrefix + entry.fileName();
        if (HasJpegExtension(path)) {
            AddPrintedItem(PictureNumberKey(entry.fileName()), QStringLiteral("0"), path);
            ++PrintedNextIndex;
            anyJpeg = true;
        }
        PrintedListReady = false;
        emit HintChanged(ReprintText::ListsRestoring);
    }
    if (anyJpeg && restoreFromRecords && !WorkerStopRequested())
        restoreFromRecords(*m_printed);
    ReprintFileUnread = false;
    emit HintChanged(kReprintHint);
    PrintedListReady = true;
    WriteRunLog(QStringLiteral("检查已打印目录线程结束"));
}

void PhotoQueue::StartPendingFolderScan()
{
    // One scan walks and one may wait for it; a further request adds nothing.
    int scans = PendingScanCount.load();
    do {
        if (scans >= 2)
            return;
    } while (!PendingScanCount.compare_exchange_weak(scans, scans + 1));
    m_workers.Start([this] { WalkPendingFolder(); });
}

void PhotoQueue::WalkPendingFolder()
{
    WriteRunLog(QStringLiteral("开始检查待打印目录"));
    if (!ComposingNow && PendingQueueIdle) {
        const std::lock_guard folderLock(pending_folder_cs);
        int row = 0;
        for (const QFileInfo &entry : ListFolder(QStringLiteral("Pic_P"))) {
            if (ComposingNow || !PendingQueueIdle || WorkerStopRequested())
                break;
            PendingScanRunning = true;
            if (entry.isDir())
                continue;
            const QString path = PendingPrefix + entry.fileName();
            if (!HasJpegExtension(path)) {
                Pause(300ms);
                continue;
            }
            // Rows already in place stay and cost nothing, so a check of a long
            // queue holds the pending folder only for what it adds.
            if (PendingQueueIdle && AddPendingUnlessInPlace(entry.fileName(), path, row)) {
                Pause(ThumbnailPause());
                Pause(300ms);
            }
            ++row;
        }
    }
    PendingScanRunning = false;
    emit HintChanged(kReprintHint);
    --PendingScanCount;
    WriteRunLog(QStringLiteral("检查待打印目录线程结束"));
}

bool PhotoQueue::AddPendingUnlessInPlace(const QString &fileName, const QString &path, int row)
{
    const std::lock_guard listLock(pending_list_cs);
    // A photo the list lacks goes in at its listing position.
    if (m_pending->Text(row, PendingNameColumn) == fileName)
        return false;
    AddPendingItem(fileName, path, row);
    return true;
}
