#pragma once

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

// Finds frontal faces in a grey picture: a cascade of simple features
// proposes faces down to 20 pixels wide, and a gradient-histogram detector
// looks again at each one, at about 100 pixels, and keeps those it also sees
// as a face. The second look drops most of what the cascade invents (a
// cat's face, a pattern in a coffee cup) while losing few real faces. One
// detector per thread.
class FaceDetector final
{
public:
    FaceDetector();
    ~FaceDetector();
    FaceDetector(const FaceDetector &) = delete;
    FaceDetector &operator=(const FaceDetector &) = delete;

    // False when the cascade file could not be read; Find then finds nothing.
    bool Ready() const;
    // The cascade file it reads.
    static const char *CascadeFile();

    // Faces in `grey` (Format_Grayscale8) at least `minimumWidth` pixels
    // wide, in its pixels.
    std::vector<QRect> Find(const QImage &grey, int minimumWidth) const;

private:
    struct Models;
    std::unique_ptr<Models> m_models;
};
