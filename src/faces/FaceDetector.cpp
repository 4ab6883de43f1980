#include "faces/FaceDetector.h"

#include "faces/CascadeScan.h"
#include "faces/HaarCascade.h"

#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/opencv.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include <algorithm>
#include <optional>

namespace {

// The cascade's search: steps of 10 % in size, two neighbouring hits to
// propose a face, hits grouped when they differ by a fifth at most (OpenCV's
// grouping). Measured on the face corpus (see the README).
constexpr double CascadeStep = 1.1;
constexpr int CascadeNeighbours = 2;
constexpr double GroupingMargin = 0.2;
// The second look: the proposal with half its size around it, scaled so the
// face is this wide, and the detector's score above this threshold.
constexpr double VerifyFaceWidth = 100.0;
constexpr double VerifyThreshold = -0.8;

cv::Mat WrapGrey(const QImage &grey)
{
    return cv::Mat(grey.height(), grey.width(), CV_8UC1, const_cast<uchar *>(grey.constBits()),
                   static_cast<size_t>(grey.bytesPerLine()));
}

} // namespace

struct FaceDetector::Models
{
    // The cascade's windows: our scan where the processor has its vector
    // instructions, OpenCV's own elsewhere. Both find the same windows.
    std::vector<cv::Rect> CascadeWindows(const cv::Mat &picture, int smallest)
    {
        if (!openCvScan.empty()) {
            std::vector<cv::Rect> windows;
            openCvScan.detectMultiScale(picture, windows, CascadeStep, 0, 0, cv::Size(smallest, smallest));
            return windows;
        }
        return ScanCascade(*cascade, picture, CascadeStep, smallest);
    }

    std::optional<HaarCascade> cascade;
    cv::CascadeClassifier openCvScan;
    dlib::frontal_face_detector gradients = dlib::get_frontal_face_detector();
};

FaceDetector::FaceDetector()
    : m_models(std::make_unique<Models>())
{
    m_models->cascade = HaarCascade::Read(CascadeFile());
    if (m_models->cascade && !VectorScanPays())
        m_models->openCvScan.load(CascadeFile());
}

FaceDetector::~FaceDetector() = default;

bool FaceDetector::Ready() const
{
    return m_models->cascade && (VectorScanPays() || !m_models->openCvScan.empty());
}

const char *FaceDetector::CascadeFile()
{
    return "/usr/share/opencv4/haarcascades/haarcascade_frontalface_alt2.xml";
}

std::vector<QRect> FaceDetector::Find(const QImage &grey, int minimumWidth) const
{
    std::vector<QRect> faces;
    if (!Ready() || grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return faces;
    const cv::Mat picture = WrapGrey(grey);
    cv::Mat equalised;
    cv::equalizeHist(picture, equalised);
    const int smallest = std::max(20, minimumWidth);
    std::vector<cv::Rect> proposals = m_models->CascadeWindows(equalised, smallest);
    cv::groupRectangles(proposals, CascadeNeighbours, GroupingMargin);
    const cv::Rect whole(0, 0, picture.cols, picture.rows);
    for (const cv::Rect &proposal : proposals) {
        const cv::Rect around = cv::Rect(proposal.x - proposal.width / 2, proposal.y - proposal.height / 2,
                                         proposal.width * 2, proposal.height * 2)
            & whole;
        const double scale = VerifyFaceWidth / proposal.width;
        cv::Mat look;
        cv::resize(picture(around), look, cv::Size(), scale, scale, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
        const dlib::cv_image<unsigned char> image(look);
        std::vector<std::pair<double, dlib::rectangle>> seen;
        m_models->gradients(image, seen, VerifyThreshold);
        if (!seen.empty())
            faces.emplace_back(proposal.x, proposal.y, proposal.width, proposal.height);
    }
    return faces;
}
