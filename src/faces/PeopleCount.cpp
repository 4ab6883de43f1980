#include "faces/PeopleCount.h"

#include "compose/JpegDecoder.h"
#include "faces/FaceDetector.h"

#include <algorithm>
#include <cmath>

namespace {

// The decoder's reduction that keeps the searched part at least the working size.
int ReductionFor(const QRect &area, int workingLongSide)
{
    const int longSide = std::max(area.width(), area.height());
    int reduction = 1;
    while (reduction < 8 && longSide / (reduction * 2) >= workingLongSide)
        reduction *= 2;
    return reduction;
}

QRect Scaled(const QRect &rect, double factor)
{
    return QRect(static_cast<int>(std::lround(rect.x() * factor)), static_cast<int>(std::lround(rect.y() * factor)),
                 static_cast<int>(std::lround(rect.width() * factor)),
                 static_cast<int>(std::lround(rect.height() * factor)));
}

// Faces in `part` (pixels of the picture's `area`, reduced by `reduction`),
// returned in picture pixels.
std::vector<QRect> FindIn(const QImage &part, const QRect &area, int reduction, QSize picture,
                          const PhotoWindow &window, const FaceDetector &detector, const CountRules &rules)
{
    std::vector<QRect> people;
    if (part.isNull() || area.isEmpty())
        return people;
    const int longSide = std::max(part.width(), part.height());
    // Enlarged a little at most: a small picture's faces gain no detail from
    // it, only made-up ones.
    const double toWorking = std::min(rules.largestEnlargement, static_cast<double>(rules.workingLongSide) / longSide);
    const QImage grey = part.convertToFormat(QImage::Format_Grayscale8)
                            .scaled(part.size() * toWorking, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int smallest =
        static_cast<int>(std::lround(rules.smallestFaceShare * std::max(grey.width(), grey.height())));
    const double toPicture = reduction / (static_cast<double>(grey.width()) / part.width());
    for (const QRect &face : detector.Find(grey, smallest)) {
        const QRect inPicture = Scaled(face, toPicture).translated(area.topLeft());
        if (window.Shows(inPicture, picture))
            people.push_back(inPicture);
    }
    return WithoutFarSmaller(std::move(people), rules);
}

} // namespace

std::vector<QRect> WithoutFarSmaller(std::vector<QRect> faces, const CountRules &rules)
{
    if (faces.size() < 2)
        return faces;
    std::vector<int> widths;
    for (const QRect &face : faces)
        widths.push_back(face.width());
    std::sort(widths.begin(), widths.end());
    const double typical = widths[widths.size() / 2];
    std::erase_if(faces, [&](const QRect &face) { return face.width() < rules.smallestShareOfTypical * typical; });
    return faces;
}

std::vector<QRect> FindPeople(const QImage &picture, const PhotoWindow &window, const FaceDetector &detector,
                              const CountRules &rules)
{
    const QRect area = window.Area(picture.size());
    return FindIn(picture.copy(area), area, 1, picture.size(), window, detector, rules);
}

std::optional<int> CountPeople(const std::filesystem::path &jpeg, const PhotoWindow &window,
                               const FaceDetector &detector, const CountRules &rules)
{
    const std::optional<JpegHeader> header = ReadJpegHeader(jpeg);
    if (!header)
        return std::nullopt;
    const QSize picture = header->Upright();
    const QRect area = window.Area(picture);
    if (area.isEmpty())
        return 0;
    const int reduction = ReductionFor(area, rules.workingLongSide);
    const QRect reducedArea(area.topLeft() / reduction, area.size() / reduction);
    const std::optional<JpegPicture> decoded = DecodeJpeg(jpeg, reduction, reducedArea);
    if (!decoded || !decoded->complete)
        return std::nullopt;
    // The decoder may give a little more than asked, rounded out to its blocks.
    const QImage part = decoded->pixels.copy(reducedArea.translated(-decoded->region.topLeft()));
    const QRect covered(reducedArea.topLeft() * reduction, part.size() * reduction);
    return static_cast<int>(FindIn(part, covered, reduction, picture, window, detector, rules).size());
}
