#include "photography/ui/CaptureSequence.h"

#include "desk/ProcessState.h"
#include "camera/ui/CameraShootDlg.h"
#include "compose/ImageFiles.h"
#include "photography/CombinationSettings.h"
#include "photography/UiThreadWait.h"
#include "photography/ui/TakePicturePreviewDlg.h"
#include "photography/ui/TimesCountDownDlg.h"
#include "platform/Profile.h"

#include <QImageReader>

namespace fs = std::filesystem;

namespace {

// The print manager keeps its photo source folder in Config/sys.ini; read
// from there because the processor's thread asks for it.
fs::path PrintSourceFolder()
{
    const QString folder = Profile::Read("Config/sys.ini", QStringLiteral("Photo_Source_folder"), QStringLiteral("Code"), QString(),
                                         Profile::WholeValue);
    return fs::path(folder.toStdString());
}

// Decoded on the processor's thread, reduced by the decoder to about a screen's size.
QImage DecodeShot(const fs::path &shot)
{
    QImageReader reader(PathText(shot));
    reader.setAutoTransform(true);
    const int reduction = JpegDecodeReduction(reader.size(), QSize(1920, 1080));
    if (reduction > 1)
        reader.setScaledSize(reader.size() / reduction);
    return reader.read();
}

} // namespace

CaptureSequence::CaptureSequence(QObject *ui, CombinationStep combination)
    : m_ui(std::make_shared<UiThreadWait>(ui)), m_combination(std::move(combination))
{
}

CaptureSequence::~CaptureSequence() = default;

ShotFiling CaptureSequence::filing()
{
    ShotFiling filing;
    filing.sourceFolder = PrintSourceFolder;
    filing.review = [ui = m_ui, combination = m_combination](const fs::path &shot) { Review(ui, combination, shot); };
    filing.endReview = [ui = m_ui] { ui->release(); };
    return filing;
}

void CaptureSequence::Shoot(CameraShootDlg &window)
{
    CaptureOnTop = false;
    const int seconds = CaptureWaitTime;
    if (seconds > 0) {
        TimesCountDownDlg countdown(seconds);
        countdown.exec();
    }
    window.takePicture();
}

void CaptureSequence::Review(const std::shared_ptr<UiThreadWait> &ui, const CombinationStep &combination, const fs::path &shot)
{
    CaptureOnTop = false;
    // Shared with the work: a released wait returns while the dialog may still be open.
    auto chosen = std::make_shared<std::vector<QString>>();
    const QString path = PathText(shot);
    QImage picture = DecodeShot(shot);
    const bool ended = ui->run([ui, chosen, path, picture] {
        TakePicturePreviewDlg review(path, picture, kShotFolder);
        ui->closeOnRelease([&review] { review.reject(); });
        review.exec();
        *chosen = review.chosenShots();
    });
    if (ended && !chosen->empty() && combination)
        combination(*chosen, *ui);
}
