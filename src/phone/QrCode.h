#pragma once

#include <QImage>
#include <QString>

// A QR code of `text`, black on white with the quiet zone around it, each
// module `moduleSize` pixels; a null image when the text is too long for one.
QImage QrCodeImage(const QString &text, int moduleSize = 8);
