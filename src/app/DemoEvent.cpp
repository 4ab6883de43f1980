#include "app/DemoEvent.h"

#include "desk/PrinterListModel.h"
#include "desk/ProcessState.h"
#include "desk/ShutdownMarker.h"
#include "desk/SysValues.h"
#include "app/CVelloraDlg.h"
#include "compose/TemplateForm.h"
#include "intake/ui/Scene_Print_Manager.h"
#include "photography/CombinationSettings.h"
#include "platform/Profile.h"
#include "platform/Utf16File.h"
#include "printing/PrinterRegistry.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRadioButton>
#include <QTime>

#include <cmath>
#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char *const kDaemonFolder = "cups";
const char *const kPrintedFolder = "printed";
const char *const kSourceFolder = "photos";
const char *const kStagingFolder = "cups/arriving";
const char *const kFrameFile = "frame.png";
const QString kBackendScheme = QStringLiteral("vdemo");
const QStringList kPrinters{QStringLiteral("Demo-Photo-1"), QStringLiteral("Demo-Photo-2")};

// Composition works on 5 canvas pixels per 1/96 inch; the paper is 152 x 102 mm.
constexpr int kCanvasPerUnit = 5;
constexpr int kPaperWidthMm = 152;
constexpr int kPaperHeightMm = 102;
const QSize kCanvas(static_cast<int>(kPaperWidthMm * 96 / 25.4 * kCanvasPerUnit),
                    static_cast<int>(kPaperHeightMm * 96 / 25.4 * kCanvasPerUnit));
// The frame's window starts 100 canvas pixels in; the band under it holds the label.
constexpr int kBorderUnits = 20;
constexpr int kLabelBandPixels = 330;
const QSize kSamplePhoto(2400, 1600);

// A 4x6 photo printer that takes JPEG as it is: the backend then writes the
// very file the program sent.
const char *const kPrinterDescription = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "VDEMO46.PPD"
*Manufacturer: "Vellora"
*Product: "(Vellora Demo Photo Printer)"
*ModelName: "Vellora Demo 4x6 Photo Printer"
*ShortNickName: "Vellora Demo 4x6"
*NickName: "Vellora Demo 4x6 Photo Printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter2: "image/jpeg image/jpeg 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: w288h432
*PageSize w288h432/4x6: "<</PageSize[288 432]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: w288h432
*PageRegion w288h432/4x6: "<</PageSize[288 432]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: w288h432
*ImageableArea w288h432/4x6: "0 0 288 432"
*DefaultPaperDimension: w288h432
*PaperDimension w288h432/4x6: "288 432"
)ppd";

// Writes each job's document, as received, to the printed folder under its
// printer, job id and title (the name appears only once the file is whole),
// then takes as long as a dye-sublimation printer takes for a page.
const char *const kBackend = R"sh(#!/bin/sh
if [ $# -eq 0 ]; then
  echo 'direct %2 "Unknown" "Vellora demo photo printer"'
  exit 0
fi
title=$(printf '%s' "${3%.jpg}" | tr -c 'A-Za-z0-9._-' '_')
target='%1'/"$PRINTER-$1-$title.jpg"
if [ -n "$6" ]; then cat "$6"; else cat; fi > "$target.part" && mv "$target.part" "$target"
sleep %3
)sh";

QString Absolute(const char *relative)
{
    return QDir::current().absoluteFilePath(QString::fromLatin1(relative));
}

bool WriteBytes(const fs::path &path, const QByteArray &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
    return static_cast<bool>(out);
}

// A frame in the event's colour around `columns` x `rows` windows for the
// photos (one for the printing road, two to four for the combination print),
// with a band under them for the label.
QImage FrameTemplate(int columns = 1, int rows = 1)
{
    QImage frame(kCanvas, QImage::Format_ARGB32);
    frame.fill(QColor(0, 105, 120));
    const int border = kBorderUnits * kCanvasPerUnit;
    const int cellWidth = (kCanvas.width() - border * (columns + 1)) / columns;
    const int cellHeight = (kCanvas.height() - kLabelBandPixels - border * rows) / rows;
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            painter.fillRect(QRect(border + column * (cellWidth + border), border + row * (cellHeight + border), cellWidth,
                                   cellHeight),
                             Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QColor(250, 210, 90));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(110);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(kCanvas.width() / 2, kCanvas.height() - kLabelBandPixels, kCanvas.width() / 2 - border,
                           kLabelBandPixels),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Vellora demo"));
    return frame;
}

// A sample photo: a sky-to-meadow gradient with a sun and its number, in
// colours that never reach the label's white.
QImage SamplePhoto(int index)
{
    QImage photo(kSamplePhoto, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 0, photo.height());
    sky.setColorAt(0.0, QColor::fromHsv((index * 40) % 360, 160, 220));
    sky.setColorAt(0.6, QColor::fromHsv((index * 40 + 30) % 360, 120, 200));
    sky.setColorAt(1.0, QColor(40, 120, 50));
    painter.fillRect(photo.rect(), sky);
    painter.setBrush(QColor(240, 190, 40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(photo.width() / 4 + index * 150, photo.height() / 3), 220, 220);
    painter.setPen(QColor(30, 30, 60));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(420);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(photo.rect(), Qt::AlignCenter, QString::number(index));
    return photo;
}

} // namespace

DemoEvent::DemoEvent()
{
    m_arrivals.setInterval(kArrivalIntervalMs);
    QObject::connect(&m_arrivals, &QTimer::timeout, [this] { DropNextPhoto(); });
}

DemoEvent::~DemoEvent() = default;

bool DemoEvent::Prepare()
{
    for (const char *folder : {kPrintedFolder, kSourceFolder, kStagingFolder, "Config/LOG"})
        fs::create_directories(folder);
    if (!StartPrinters())
        return false;
    // The simulated camera serves the photography page.
    if (qEnvironmentVariableIsEmpty("VELLORA_CAMERA"))
        qputenv("VELLORA_CAMERA", "simulated");
    WriteSettings();
    StageSamplePhotos();
    return true;
}

bool DemoEvent::StartPrinters()
{
    m_cups = std::make_unique<PrivateCupsDaemon>(fs::absolute(kDaemonFolder));
    const fs::path description = m_cups->Path("demo-4x6.ppd");
    if (!WriteBytes(description, kPrinterDescription)
        || !m_cups->InstallBackend(kBackendScheme,
                                   QString::fromLatin1(kBackend).arg(Absolute(kPrintedFolder), kBackendScheme,
                                                                     QString::number(kSecondsPerPrint)))) {
        std::fprintf(stderr, "Demo: cannot write the spooler's files in %s\n", m_cups->Root().c_str());
        return false;
    }
    // A local socket's path holds at most 107 bytes.
    if (m_cups->Server().toUtf8().size() > 100) {
        std::fprintf(stderr, "Demo: the folder's path is too long for the spooler's socket (%s); choose a shorter one\n",
                     qPrintable(m_cups->Server()));
        return false;
    }
    if (!m_cups->Start()) {
        std::fprintf(stderr, "Demo: the private CUPS daemon did not start (it needs root and cupsd; see %s/log)\n",
                     m_cups->Root().c_str());
        return false;
    }
    for (const QString &printer : kPrinters) {
        if (!m_cups->Run(QStringLiteral("lpadmin"),
                         {QStringLiteral("-p"), printer, QStringLiteral("-E"), QStringLiteral("-v"),
                          kBackendScheme + QStringLiteral(":/") + printer, QStringLiteral("-P"),
                          QString::fromStdString(description.string())})) {
            std::fprintf(stderr, "Demo: the printer %s could not be added\n", qPrintable(printer));
            return false;
        }
    }
    m_cups->UseInThisProcess();
    return true;
}

void DemoEvent::WriteSettings()
{
    FrameTemplate().save(QString::fromLatin1(kFrameFile));
    // The photography page's templates: one to four shots on one print.
    struct Grid
    {
        int cells, columns, rows;
    };
    for (const Grid grid : {Grid{1, 1, 1}, Grid{2, 2, 1}, Grid{3, 3, 1}, Grid{4, 2, 2}}) {
        const QString name = QStringLiteral("frame-%1.png").arg(grid.cells);
        FrameTemplate(grid.columns, grid.rows).save(name);
        WriteCombinationTemplate(grid.cells, QDir::current().absoluteFilePath(name));
    }
    WriteCaptureWaitTime(3); // the countdown before each shot shows too
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"), Absolute(kSourceFolder));
    Profile::Write("Config/sys.ini", QStringLiteral("Photo_Frame_File"), QStringLiteral("Code"), Absolute(kFrameFile));
    Utf16File::WriteText("Config/All_the_same.vellora",
                         QStringLiteral("%1\n%2\n").arg(kPaperWidthMm).arg(kPaperHeightMm));
    // A demo starts a new event, never a crashed one: crash recovery would
    // otherwise choose the printers again by what printed today, and leave a
    // demo printer unchecked that the demo just ticked.
    RecordModesStopped();
    WriteSysValue(QStringLiteral("System"), QStringLiteral("Action"), QStringLiteral("Close"));

    // The photo fills the frame's window; its name prints on white in the band under it.
    TemplateForm form;
    const int window = kCanvas.width() - 2 * kBorderUnits * kCanvasPerUnit;
    form.scale = QString::number(std::ceil(100.0 * window / kSamplePhoto.width()) / 100, 'f', 2);
    form.leftMargin = QString::number(kBorderUnits);
    form.topMargin = QString::number(kBorderUnits);
    form.textSize = QStringLiteral("36");
    form.labelLeft = kBorderUnits;
    form.labelTop = (kCanvas.height() - kLabelBandPixels + 90) / kCanvasPerUnit;
    SaveTemplateForm(form, {});
}

void DemoEvent::StageSamplePhotos()
{
    // Painted and encoded beside the window's thread; each appears whole in
    // the staging folder, ready to be dropped.
    const QString batch = QTime::currentTime().toString(QStringLiteral("hhmmss"));
    for (int index = 1; index <= kSamplePhotos; ++index)
        m_staged << QStringLiteral("DEMO_%1_%2.jpg").arg(batch).arg(index, 2, 10, QLatin1Char('0'));
    m_painter = std::jthread([names = m_staged](std::stop_token stop) {
        for (int index = 0; index < names.size() && !stop.stop_requested(); ++index) {
            const QString path = QString::fromLatin1(kStagingFolder) + QLatin1Char('/') + names[index];
            if (SamplePhoto(index + 1).save(path + QStringLiteral(".part"), "JPG", 90))
                QFile::rename(path + QStringLiteral(".part"), path);
        }
    });
}

void DemoEvent::Start(CVelloraDlg &window)
{
    DropNextPhoto();
    m_arrivals.start();
    m_operator.callOnTimeout([this, &window] {
        if (ChoosePrintersAndStart(window))
            m_operator.stop();
    });
    m_operator.start(500);
}

bool DemoEvent::ChoosePrintersAndStart(CVelloraDlg &window)
{
    // What the operator does first: check both printers once the spooler has
    // told their paper, and start automatic printing once the lists are restored.
    PrinterListModel &printers = window.Printers();
    int chosen = 0;
    for (int row = 0; row < printers.RowCount(); ++row) {
        if (!kPrinters.contains(printers.Text(row, PrinterListModel::NameColumn))
            || printers.Text(row, PrinterListModel::PaperColumn).isEmpty())
            continue;
        if (!printers.IsChecked(row))
            window.Registry().OnClicked(row, PrinterListModel::NameColumn);
        chosen += printers.IsChecked(row) ? 1 : 0;
    }
    if (chosen < kPrinters.size() || !PrintedListReady || PendingScanRunning)
        return false;
    window.PrintManagerPage().StartButton()->click();
    return AutoPrintRunning;
}

void DemoEvent::DropNextPhoto()
{
    // The first photos come as a small burst, the others one by one.
    for (int dropped = 0; (dropped < 1 || m_dropped < kFirstBurst) && !m_staged.isEmpty(); ++dropped, ++m_dropped) {
        const QString staged = QString::fromLatin1(kStagingFolder) + QLatin1Char('/') + m_staged.first();
        if (!QFile::exists(staged))
            return; // still being painted: next time
        // A rename within the folder: the source folder never sees half a photo.
        QFile::rename(staged, QString::fromLatin1(kSourceFolder) + QLatin1Char('/') + m_staged.takeFirst());
    }
    if (m_staged.isEmpty())
        m_arrivals.stop();
}
