#include "intake/ReprintRecords.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "tests/support/ProgramFolder.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <thread>

namespace {

const QString Day = QStringLiteral("20240305");

// The reprint list file's rows joined by "|"; every line must parse.
QString SavedList(int &quantities)
{
    quantities = 0;
    const std::optional<QStringList> lines = Utf16File::ReadLines(ReprintListFile(Day));
    if (!lines)
        return {};
    EXPECT_TRUE(lines->last().isEmpty()) << "the file ends with a whole line";
    QStringList rows;
    for (qsizetype i = 0; i + 1 < lines->size(); ++i) {
        const std::optional<ReprintRow> row = ParseReprintLine(lines->at(i));
        EXPECT_TRUE(row.has_value()) << lines->at(i).toStdString();
        if (row)
            quantities += row->quantity.toInt();
        rows.append(lines->at(i));
    }
    return rows.join(QLatin1Char('|'));
}

struct HelperRun
{
    QString restored; // "R rows total", empty when killed before
    // The lists it began to save, in order, and whether the last save ended.
    QStringList saving;
    bool lastSaveEnded = false;
};

HelperRun ParseOutput(const QByteArray &output)
{
    HelperRun run;
    for (const QString &line : QString::fromUtf8(output).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("R ")))
            run.restored = line;
        else if (line.startsWith(QLatin1String("B "))) {
            run.saving.append(line.mid(2));
            run.lastSaveEnded = false;
        } else if (line == QLatin1String("S"))
            run.lastSaveEnded = true;
    }
    return run;
}

} // namespace

// The helper adds and prints reprints, saving the list after every change,
// and is killed at a random moment; each restart must find a list file that
// parses and holds exactly the last list whose save ended, or the one being
// saved at the kill.
TEST(RecordKill, ReprintListSurvivesKillsAtRandomMoments)
{
    ProgramFolder folder;
    std::mt19937 random(7);
    QString fileBefore;
    int quantitiesBefore = 0;
    int kills = 0;
    int savesInterrupted = 0;
    for (int round = 0; round < 60; ++round) {
        QProcess helper;
        helper.start(QStringLiteral(RECORD_HELPER), {QStringLiteral("reprints"), Day, QString::number(round)});
        ASSERT_TRUE(helper.waitForStarted());
        // Half the kills fall during start-up and restore, half while reprints flow.
        if (round % 2 == 0)
            helper.waitForReadyRead(5000);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
        ::kill(static_cast<pid_t>(helper.processId()), SIGKILL);
        ASSERT_TRUE(helper.waitForFinished(5000));
        ASSERT_EQ(helper.exitStatus(), QProcess::CrashExit) << "the helper was killed, not ended";
        ++kills;

        const HelperRun run = ParseOutput(helper.readAllStandardOutput());
        if (!run.restored.isEmpty()) {
            const int rows = fileBefore.isEmpty() ? 0 : static_cast<int>(fileBefore.count(QLatin1Char('|')) + 1);
            EXPECT_EQ(run.restored, QStringLiteral("R %1 %2").arg(rows).arg(quantitiesBefore))
                << "round " << round << ": the restart restores every row of the file";
        }
        int quantities = 0;
        const QString file = SavedList(quantities);
        QStringList allowed;
        if (run.saving.isEmpty())
            allowed = {fileBefore};
        else if (run.lastSaveEnded)
            allowed = {run.saving.last()};
        else {
            allowed = {run.saving.last(), run.saving.size() > 1 ? run.saving.at(run.saving.size() - 2) : fileBefore};
            ++savesInterrupted;
        }
        ASSERT_TRUE(allowed.contains(file)) << "round " << round << ": file " << file.toStdString() << " expected "
                                            << allowed.join(QStringLiteral(" or ")).toStdString();
        fileBefore = file;
        quantitiesBefore = quantities;
    }
    EXPECT_GE(kills, 50);
    std::cout << kills << " kills, " << savesInterrupted << " during a save\n";

    // The print record only ever gains whole lines.
    const QStringList records = Utf16File::ReadLines(PrintRecordFile(Day)).value_or(QStringList());
    for (qsizetype i = 0; i + 1 < records.size(); ++i)
        ASSERT_TRUE(QRegularExpression(QStringLiteral("^p\\d:1;$")).match(records[i]).hasMatch()) << records[i].toStdString();
}
