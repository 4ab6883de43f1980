// A small program the record tests start and kill.
//   RecordHelper reprints <yyyyMMdd> <seed>
//     in the current directory (a program folder): restores today's records
//     into a printed list of ten photos, prints "R <rows> <total>", then adds
//     and prints reprints for ever, saving the list after every change. Before
//     each save it prints "B " + the list's lines joined by "|", after it "S".
//   RecordHelper rewrite <file>
//     rewrites the info file for ever with "111" and "222", alternately in
//     place (truncate, then write) and by renaming a new file over it.
#include "desk/ProcessState.h"
#include "intake/PhotoListModel.h"
#include "intake/ReprintRecords.h"
#include "platform/Clock.h"
#include "platform/FileIo.h"
#include "platform/Pause.h"
#include "printing/SavePrintInfo.h"

#include <QCoreApplication>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

#include <random>

namespace {

void Say(const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    // Unbuffered, so what was said before a kill is in the pipe.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(1, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (wrote <= 0)
            return;
        done += wrote;
    }
}

void Save(const ReprintListModel &reprints)
{
    QStringList lines;
    for (const ReprintRow &row : reprints.Rows())
        lines.append(ReprintLine(row));
    Say(QStringLiteral("B ") + lines.join(QLatin1Char('|')));
    SaveReprintList(reprints);
    Say(QStringLiteral("S"));
}

int RunReprints(const QString &stamp, unsigned seed)
{
    const QDateTime day(QDate::fromString(stamp, QStringLiteral("yyyyMMdd")), QTime(12, 0));
    Clock::Fix([day] { return day; });
    SetPauseScale(0.01);

    PhotoListModel printed(PhotoListModel::PrintedHeaders(), QSize(9, 6));
    for (int photo = 0; photo < 10; ++photo) {
        const QString name = QStringLiteral("p%1").arg(photo);
        const QString path = QStringLiteral("Pic_R/") + name + ".jpg";
        printed.InsertRow(photo, {QString(), QStringLiteral("0"), name, path}, path);
    }
    ReprintListModel reprints;
    RestoreFromRecords(printed, reprints, [](const QString &) {});
    Say(QStringLiteral("R %1 %2").arg(reprints.RowCount()).arg(ReprintTotalCount.load()));

    std::mt19937 random(seed);
    for (;;) {
        const int rows = reprints.RowCount();
        if (rows < 12 && (rows == 0 || random() % 3 != 0)) {
            const int photo = static_cast<int>(random() % 10);
            const QString quantity = QString::number(1 + random() % 4);
            AddReprintEntry(reprints, QString::number(photo), printed.Text(photo, 2), quantity,
                            printed.Text(photo, 3));
        } else {
            // Print one copy of the first row, as the worker does with several printers.
            const int left = reprints.Text(0, ReprintListModel::QuantityColumn).toInt() - 1;
            SavePrintInfo(reprints.Text(0, ReprintListModel::NameColumn) + ".jpg", 1);
            if (left > 0)
                reprints.SetText(0, ReprintListModel::QuantityColumn, QString::number(left));
            else
                reprints.RemoveRow(0);
        }
        Save(reprints);
        Pause(std::chrono::milliseconds(100));
    }
}

// Writes the bytes over the file's old text in the same file.
void RewriteInPlace(const std::string &file, const QByteArray &bytes)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0666);
    if (fd < 0)
        return;
    if (::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) < 0)
        perror("write");
    ::close(fd);
}

int RunRewrite(const std::string &file)
{
    for (unsigned round = 0;; ++round) {
        const QByteArray bytes = FileIo::ToUtf16Le(round % 2 ? u"222\n" : u"111\n");
        if (round % 4 < 2)
            RewriteInPlace(file, bytes);
        else
            FileIo::Replace(file, bytes);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("reprints"))
        return RunReprints(args[2], args[3].toUInt());
    if (args.size() == 3 && args[1] == QLatin1String("rewrite"))
        return RunRewrite(args[2].toStdString());
    return 2;
}
