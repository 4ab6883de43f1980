#include "desk/PrinterTable.h"
#include "compose/ImageFiles.h"
#include "printing/PrintJob.h"
#include "tests/printing/PrintHarness.h"
#include "tests/support/FakeSpooler.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The photo with an EXIF block saying "turn a quarter clockwise to show" (orientation 6).
void TagOrientationSix(const std::filesystem::path &path)
{
    QFile file(PathText(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    const char exif[] = "\xFF\xE1\x00\x22"
                        "Exif\x00\x00"
                        "II*\x00\x08\x00\x00\x00"
                        "\x01\x00"
                        "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"
                        "\x00\x00\x00\x00";
    bytes.insert(2, QByteArray(exif, sizeof exif - 1));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QSize SentSize(const JpegDocument &document)
{
    QByteArray data = document.data;
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    return reader.size();
}

} // namespace

// What the print job sends: the photo file itself when the page needs
// nothing changed, else one JPEG prepared in memory, turned a quarter for a
// portrait page and stretched to the printable area's proportions.
TEST(PrintPage, SendsTheFileItselfOnlyWhenNothingChanges)
{
    struct Case
    {
        const char *what;
        int orientation;     // the queue's page: 1 portrait, 2 landscape
        QSize photo;
        const char *format;
        bool exifTurn;
        bool asFile;
        QSize sent;          // of the prepared JPEG, unless invalid
    };
    // Letter with 12-point margins: the printable area is 588 x 768 points.
    const Case cases[] = {
        {"landscape page, photo of its shape", 2, {1306, 1000}, "jpeg", false, true, {}},
        {"portrait page, photo of its shape", 1, {1000, 1306}, "jpeg", false, true, {}},
        {"portrait page, narrower photo: stretched wider", 1, {600, 900}, "jpeg", false, false, {689, 900}},
        {"landscape photo on a portrait page: turned", 1, {1306, 1000}, "jpeg", false, false, {1000, 1306}},
        {"landscape page, landscape photo: stretched higher", 2, {1200, 800}, "jpeg", false, false, {1200, 919}},
        {"camera orientation to honour: decoded", 2, {1306, 1000}, "jpeg", true, false, {}},
        {"not a JPEG: encoded once", 2, {1306, 1000}, "png", false, false, {1306, 1000}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.what);
        auto spooler = std::make_shared<FakeSpooler>();
        FakeSpooler::Printer printer = FakeSpooler::Printer::Named("Photo");
        printer.device->paperName = "Letter";
        printer.device->paperSize = QSizeF(612, 792);
        printer.device->paperMargins = QMarginsF(12, 12, 12, 12);
        printer.device->orientation = test.orientation;
        spooler->Set(printer);
        spooler->AcceptDocuments(true);
        PrintHarness harness(spooler, 0.0);
        harness.AddPrinter("Photo", true);

        std::filesystem::create_directories("Pic_R");
        const std::filesystem::path path = "Pic_R/photo.jpg";
        QImage photo(test.photo, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        ASSERT_TRUE(photo.save(PathText(path), test.format));
        if (test.exifTurn)
            TagOrientationSix(path);

        PrintJobParams params;
        params.printerName = "Photo";
        params.pictureName = "photo.jpg";
        params.picturePath = path;
        params.copies = 2;
        PrintJob(params);

        const auto documents = spooler->Documents();
        ASSERT_EQ(documents.size(), 1u);
        EXPECT_EQ(documents[0].jobName, "photo.jpg");
        EXPECT_EQ(documents[0].copies, 2);
        EXPECT_EQ(documents[0].data.isEmpty(), test.asFile);
        if (test.asFile) {
            EXPECT_EQ(documents[0].file, path);
        }
        if (test.sent.isValid()) {
            EXPECT_EQ(SentSize(documents[0]), test.sent);
        }
        EXPECT_EQ(PrinterTable[0].printedCount, 2);
    }
}
