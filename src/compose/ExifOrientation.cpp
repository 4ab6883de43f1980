#include "compose/ExifOrientation.h"

#include <QImageReader>
#include <QString>

int ExifOrientation(const std::filesystem::path &path)
{
    // Qt's JPEG reader parses the EXIF block with the header; it reads no pixels here.
    QImageReader reader(QString::fromStdString(path.string()));
    const QImageIOHandler::Transformations transformation = reader.transformation();
    switch (transformation) {
    case QImageIOHandler::TransformationNone: return 1;
    case QImageIOHandler::TransformationMirror: return 2;
    case QImageIOHandler::TransformationRotate180: return 3;
    case QImageIOHandler::TransformationFlip: return 4;
    case QImageIOHandler::TransformationFlipAndRotate90: return 5;
    case QImageIOHandler::TransformationRotate90: return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90: return 7;
    case QImageIOHandler::TransformationRotate270: return 8;
    }
    return 1;
}
