// A restart late on a big day: PHOTOS photos (1500 by default) already in
// Pic_R, today's records, and a state file that says the last run crashed
// with automatic printing on. Starts the whole window in real time over a
// private CUPS daemon (as root) and reports when the printed list is ready
// and when crash recovery has automatic printing running again.
//   RestartBench [PHOTOS]
#include "desk/ProcessState.h"
#include "desk/SysValues.h"
#include "app/CVelloraDlg.h"
#include "compose/PictureNumber.h"
#include "platform/Utf16File.h"
#include "printing/DailyRecords.h"
#include "tests/support/PrivateCups.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int photos = argc > 1 ? std::max(1, QString::fromUtf8(argv[1]).toInt()) : 1500;

    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    PrivateCups cups;
    if (!cups.Start() || (cups.UseInThisProcess(), !cups.AddQueue(QStringLiteral("Photo-A")))) {
        std::fprintf(stderr, "the private CUPS daemon did not come up\n");
        return 2;
    }
    for (const char *dir : {"Config/LOG", "Pic_R", "Pic_P", "Pic_S", "Pic_B"})
        std::filesystem::create_directories(dir);
    // One composed photo of 152 x 102 mm, linked under every printed name.
    QImage composed(2872, 1927, QImage::Format_RGB32);
    composed.fill(QColor(180, 120, 90));
    composed.save(QStringLiteral("composed.jpg"), "JPG", 90);
    QString records;
    for (int index = 1; index <= photos; ++index) {
        const QString key = QStringLiteral("%1").arg(index, 4, 10, QLatin1Char('0'));
        std::filesystem::create_hard_link("composed.jpg", ("Pic_R/" + key + ".JPG").toStdString());
        RecordPictureNumber(key, index);
        records += key + QStringLiteral(":1;\n");
    }
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    Utf16File::WriteText(PrintRecordFile(today), records);
    Utf16File::WriteText(PrinterCountFile(today), QStringLiteral("Photo-A:%1;\n").arg(photos));
    Utf16File::WriteText(ReprintListFile(today), QStringLiteral("0,0007:Pic_R/0007.JPG}2;\n"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("Action"), QStringLiteral("Start"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("AutoPrint"), QStringLiteral("Start"));
    WriteSysValue(QStringLiteral("System"), QStringLiteral("ChoosePrinter"), QStringLiteral("True"));

    QElapsedTimer sinceStart;
    sinceStart.start();
    CVelloraDlg window([] {});
    window.show();
    qint64 ready = -1;
    while (!AutoPrintRunning && sinceStart.elapsed() < 600000) {
        QTest::qWait(50);
        if (ready < 0 && PrintedListReady)
            ready = sinceStart.elapsed();
    }
    const qint64 running = AutoPrintRunning ? sinceStart.elapsed() : -1;
    std::printf("%d printed photos: list ready %.1f s, automatic printing running again %.1f s after the start\n",
                photos, ready / 1000.0, running / 1000.0);
    std::printf("reprint rows restored: %d, printers checked again: %d\n", ReprintFileCount.load(),
                SelectedPrinterCount.load());
    std::fflush(stdout);
    std::_Exit(running >= 0 && running <= 30000 ? 0 : 1);
}
