#include "tests/intake/RecordFixture.h"

#include "desk/PrinterTable.h"
#include "desk/ProcessState.h"
#include "intake/ReprintState.h"
#include "platform/Clock.h"
#include "platform/FileIo.h"
#include "platform/Pause.h"
#include "platform/Utf16File.h"

RecordFixture::RecordFixture()
{
    SetDay(QDate(2024, 3, 5));
    SetPauseScale(0.01);
    // The start-up restore is over: the reprint paths take requests.
    PrintedListReady = true;
    Restart({});
}

RecordFixture::~RecordFixture()
{
    Clock::Reset();
    SetPauseScale(1.0);
}

void RecordFixture::SetDay(const QDate &day)
{
    const QDateTime noon(day, QTime(12, 0));
    Clock::Fix([noon] { return noon; });
}

void RecordFixture::Restart(const QStringList &printedNames)
{
    printed = std::make_unique<PhotoListModel>(PhotoListModel::PrintedHeaders(), QSize(9, 6));
    for (const QString &name : printedNames) {
        const QString path = QStringLiteral("Pic_R/") + name + ".jpg";
        printed->InsertRow(printed->RowCount(),
                           {QString(), QStringLiteral("0"), name, path, QString::number(printed->RowCount() + 1)}, path);
    }
    reprints = std::make_unique<ReprintListModel>();
    for (PrinterEntry &entry : PrinterTable)
        entry.printedCount = 0;
    ReprintTotalCount = 0;
    ReprintFileCount = 0;
    PriorityNext = false;
    ReprintListBusy = false;
    hints.clear();
}

void RecordFixture::WriteUtf16(const std::filesystem::path &file, const QString &text)
{
    ASSERT_TRUE(Utf16File::WriteText(file, text));
}

QByteArray RecordFixture::Bytes(const std::filesystem::path &file)
{
    const std::optional<FileIo::Contents> contents = FileIo::ReadAll(file);
    return contents ? contents->bytes : QByteArray();
}
