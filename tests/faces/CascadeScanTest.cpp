#include "faces/CascadeScan.h"
#include "faces/FaceDetector.h"
#include "faces/HaarCascade.h"

#include <QImage>
#include <QTemporaryDir>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <tuple>

namespace {

using Windows = std::multiset<std::tuple<int, int, int, int>>;

Windows AsSet(const std::vector<cv::Rect> &windows)
{
    Windows set;
    for (const cv::Rect &window : windows)
        set.emplace(window.x, window.y, window.width, window.height);
    return set;
}

// A real photo in grey, equalised, with its long side `longSide` pixels, as
// the detector searches it.
cv::Mat SearchedPicture(const char *name, int longSide)
{
    const QImage grey = QImage(QStringLiteral(FACES_PHOTOS "/%1").arg(QString::fromUtf8(name)))
                            .convertToFormat(QImage::Format_Grayscale8);
    const cv::Mat photo(grey.height(), grey.width(), CV_8UC1, const_cast<uchar *>(grey.constBits()),
                        static_cast<size_t>(grey.bytesPerLine()));
    const double factor = static_cast<double>(longSide) / std::max(photo.cols, photo.rows);
    cv::Mat scaled, equalised;
    cv::resize(photo, scaled, cv::Size(), factor, factor, cv::INTER_AREA);
    cv::equalizeHist(scaled, equalised);
    return equalised;
}

} // namespace

// The scan finds exactly the windows OpenCV's own cascade scan finds (before
// grouping) on real photos: faces, a crowd and an animal, through the sizes
// searched every second pixel and those searched at every pixel.
TEST(CascadeScan, FindsTheWindowsOpenCVFinds)
{
    const std::optional<HaarCascade> cascade = HaarCascade::Read(FaceDetector::CascadeFile());
    ASSERT_TRUE(cascade);
    cv::CascadeClassifier reference(FaceDetector::CascadeFile());
    ASSERT_FALSE(reference.empty());
    const struct
    {
        const char *photo;
        int longSide;
        int smallest;
    } cases[] = {
        {"people-06-group-photo.jpg", 1100, 20},
        {"people-03-sunglasses-street.jpg", 900, 27},
        {"people-00-cat.jpg", 700, 24},
        {"two-astronauts.jpg", 333, 20}, // narrower than a row of eight windows at the largest sizes
    };
    for (const auto &each : cases) {
        const cv::Mat picture = SearchedPicture(each.photo, each.longSide);
        std::vector<cv::Rect> expected;
        reference.detectMultiScale(picture, expected, 1.1, 0, 0, cv::Size(each.smallest, each.smallest));
        const std::vector<cv::Rect> found = ScanCascade(*cascade, picture, 1.1, each.smallest);
        EXPECT_FALSE(expected.empty()) << each.photo;
        EXPECT_EQ(AsSet(found), AsSet(expected)) << each.photo;
    }
}

TEST(CascadeScan, NothingToScan)
{
    const std::optional<HaarCascade> cascade = HaarCascade::Read(FaceDetector::CascadeFile());
    ASSERT_TRUE(cascade);
    EXPECT_TRUE(ScanCascade(*cascade, cv::Mat(), 1.1, 20).empty());
    EXPECT_TRUE(ScanCascade(*cascade, cv::Mat(19, 400, CV_8UC1, cv::Scalar(90)), 1.1, 20).empty()) << "lower than a window";
    EXPECT_TRUE(ScanCascade(*cascade, cv::Mat(300, 400, CV_8UC1, cv::Scalar(90)), 1.1, 20).empty()) << "flat";
    EXPECT_TRUE(ScanCascade(*cascade, cv::Mat(300, 400, CV_8UC3), 1.1, 20).empty()) << "not grey";
    EXPECT_TRUE(ScanCascade(*cascade, cv::Mat(300, 400, CV_8UC1), 1.0, 20).empty()) << "no size step";
}

// Only cascades the scan evaluates as OpenCV does are taken; a file that is
// not one, or whose references lead outside it, is refused rather than read
// past its end.
TEST(HaarCascade, ReadsOnlyWhatItCanScan)
{
    EXPECT_TRUE(HaarCascade::Read(FaceDetector::CascadeFile()));
    EXPECT_FALSE(HaarCascade::Read("/usr/share/opencv4/lbpcascades/lbpcascade_frontalface_improved.xml"))
        << "local binary patterns";
    EXPECT_FALSE(HaarCascade::Read("/no/such/cascade.xml"));

    const std::string valid = R"(<?xml version="1.0"?>
<opencv_storage><cascade type_id="opencv-cascade-classifier"><stageType>BOOST</stageType>
<featureType>HAAR</featureType><height>4</height><width>4</width>
<featureParams><maxCatCount>0</maxCatCount></featureParams><stageNum>1</stageNum>
<stages><_><maxWeakCount>1</maxWeakCount><stageThreshold>0.5</stageThreshold><weakClassifiers>
<_><internalNodes>0 -1 FEATURE 0.1</internalNodes><leafValues>1. 0.</leafValues></_>
</weakClassifiers></_></stages>
<features><_><rects><_>0 0 4 4 -1.</_><_>0 0 WIDTH 2 2.</_></rects><tilted>TILTED</tilted></_></features>
</cascade></opencv_storage>
)";
    const auto with = [&](std::map<std::string, std::string> values) {
        std::string text = valid;
        for (const auto &[key, value] : values)
            text.replace(text.find(key), key.size(), value);
        return text;
    };
    const struct
    {
        const char *what;
        std::string text;
        bool readable;
    } cases[] = {
        {"a one-stage cascade", with({{"FEATURE", "0"}, {"WIDTH", "4"}, {"TILTED", "0"}}), true},
        {"a feature that is not there", with({{"FEATURE", "1"}, {"WIDTH", "4"}, {"TILTED", "0"}}), false},
        {"a rectangle past the window", with({{"FEATURE", "0"}, {"WIDTH", "5"}, {"TILTED", "0"}}), false},
        {"a tilted feature", with({{"FEATURE", "0"}, {"WIDTH", "4"}, {"TILTED", "1"}}), false},
        {"not a cascade", "<?xml version=\"1.0\"?>\n<opencv_storage><a>1</a></opencv_storage>\n", false},
        {"not XML", "stages", false},
    };
    QTemporaryDir folder;
    for (const auto &each : cases) {
        const std::string file = folder.filePath("cascade.xml").toStdString();
        std::ofstream(file) << each.text;
        EXPECT_EQ(HaarCascade::Read(file).has_value(), each.readable) << each.what;
    }
}
