#pragma once

#include "intake/PhotoListModel.h"
#include "intake/ReprintListModel.h"
#include "tests/support/FreshState.h"
#include "tests/support/ProgramFolder.h"

#include <QDateTime>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

// A program folder on a fixed day with the shared reprint state cleared, a
// printed list of the given photo names (quantity 0) and an empty reprint list.
class RecordFixture : public testing::Test
{
protected:
    RecordFixture();
    ~RecordFixture() override;

    void SetDay(const QDate &day);
    // Fresh lists and counters, printers with printed count 0: what a restart begins with.
    void Restart(const QStringList &printedNames);
    std::vector<ReprintRow> ReprintRows() const { return reprints->Rows(); }
    QString Quantity(int printedRow) const { return printed->Text(printedRow, 1); }

    static void WriteUtf16(const std::filesystem::path &file, const QString &text);
    static QByteArray Bytes(const std::filesystem::path &file);

    FreshState state;
    ProgramFolder folder;
    std::unique_ptr<PhotoListModel> printed;
    std::unique_ptr<ReprintListModel> reprints;
    QStringList hints;
};
