#include "camera/sdk/SimulatedPictures.h"

#include <QBuffer>
#include <QImage>
#include <QString>

namespace {

// Seven-segment digits drawn with filled rectangles: no font is needed, so
// the pictures look the same on every machine and from any thread.
//  aaa
// f   b
//  ggg
// e   c
//  ddd
constexpr unsigned char kSegments[10] = {
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
    0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111,
};

void FillRect(QImage &image, int x, int y, int width, int height, QRgb colour)
{
    for (int row = qMax(0, y); row < qMin(image.height(), y + height); ++row) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        for (int column = qMax(0, x); column < qMin(image.width(), x + width); ++column)
            line[column] = colour;
    }
}

void DrawDigit(QImage &image, int digit, int x, int y, int height, QRgb colour)
{
    const int w = height / 2;
    const int t = qMax(2, height / 10);
    const int half = height / 2;
    const unsigned char on = kSegments[digit];
    if (on & 0x01) FillRect(image, x, y, w, t, colour);                  // a
    if (on & 0x02) FillRect(image, x + w - t, y, t, half, colour);       // b
    if (on & 0x04) FillRect(image, x + w - t, y + half, t, half, colour); // c
    if (on & 0x08) FillRect(image, x, y + height - t, w, t, colour);     // d
    if (on & 0x10) FillRect(image, x, y + half, t, half, colour);        // e
    if (on & 0x20) FillRect(image, x, y, t, half, colour);               // f
    if (on & 0x40) FillRect(image, x, y + half - t / 2, w, t, colour);   // g
}

QByteArray Picture(int counter, int width, int height, int quality)
{
    QImage image(width, height, QImage::Format_RGB32);
    // A background that changes with the counter, so consecutive pictures differ at a glance.
    image.fill(QColor::fromHsv((counter * 47) % 360, 90, 120).rgb());
    const QString digits = QString::number(counter);
    const int digitHeight = height / 2;
    const int advance = digitHeight * 2 / 3;
    int x = (width - advance * int(digits.size())) / 2;
    for (const QChar digit : digits) {
        DrawDigit(image, digit.digitValue(), x, height / 4, digitHeight, qRgb(250, 250, 250));
        x += advance;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

} // namespace

namespace SimulatedPictures {

QByteArray Shot(int counter)
{
    return Picture(counter, 1500, 1000, 90);
}

QByteArray LiveViewFrame(int counter, int width, int height)
{
    return Picture(counter, width, height, 70);
}

} // namespace SimulatedPictures
