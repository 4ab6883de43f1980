#pragma once

#include "faces/HaarCascade.h"

#include <opencv2/core/types.hpp>

#include <vector>

namespace cv {
class Mat;
}

// Every window of `grey` (8 bits, one channel) the cascade takes for a face,
// from windows `smallest` pixels wide upwards in size steps of `scaleStep`
// (above 1), in the picture's pixels. These are the windows OpenCV's
// CascadeClassifier::detectMultiScale finds before it groups them: the same
// scales, positions and arithmetic, so the same faces. The difference is the
// speed: eight neighbouring windows are tested at once, with the processor's
// 256-bit vector instructions, which made the scan three to four times faster
// on the face corpus (FaceCountBench).
std::vector<cv::Rect> ScanCascade(const HaarCascade &cascade, const cv::Mat &grey, double scaleStep, int smallest);

// False on a processor without those instructions (AVX2). The scan still
// works there, but more slowly than OpenCV's.
bool VectorScanPays();
