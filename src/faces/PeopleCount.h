#pragma once

#include "faces/PhotoWindow.h"

#include <QImage>
#include <QRect>

#include <filesystem>
#include <optional>
#include <vector>

class FaceDetector;

// How the people in a picture are counted: the part of it that shows the
// photo is searched at a working size of 1800 pixels on its long side, and a
// face narrower than 1.5 % of that side (a face on a poster in the
// background, a passer-by far behind) is too small to be one of the people
// the photo was taken of. Measured on the face corpus (see the README).
struct CountRules
{
    int workingLongSide = 1800;
    double smallestFaceShare = 0.015;
    // A picture smaller than the working size is enlarged by this at most.
    double largestEnlargement = 1.25;
    // A face far smaller than the photo's typical face (the upper median
    // width) is someone in the background, or a pattern taken for a face.
    double smallestShareOfTypical = 0.4;
};

// The faces without those narrower than smallestShareOfTypical of the typical width.
std::vector<QRect> WithoutFarSmaller(std::vector<QRect> faces, const CountRules &rules = {});

// The faces of the photo in `picture`, in picture pixels, inside `window`.
std::vector<QRect> FindPeople(const QImage &picture, const PhotoWindow &window, const FaceDetector &detector,
                              const CountRules &rules = {});

// The number of faces of the photo in the JPEG file, decoded at the least
// size the working size allows and only where the photo shows; nothing when
// the file cannot be decoded whole.
std::optional<int> CountPeople(const std::filesystem::path &jpeg, const PhotoWindow &window,
                               const FaceDetector &detector, const CountRules &rules = {});
