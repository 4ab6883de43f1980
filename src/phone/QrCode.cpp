#include "phone/QrCode.h"

#include <qrencode.h>

#include <memory>

namespace {

constexpr int QuietZone = 4; // modules of white around the code, as readers need

struct FreeQrCode
{
    void operator()(QRcode *code) const { QRcode_free(code); }
};

} // namespace

QImage QrCodeImage(const QString &text, int moduleSize)
{
    const QByteArray bytes = text.toUtf8();
    const std::unique_ptr<QRcode, FreeQrCode> code(
        QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M));
    if (!code)
        return {};
    const int modules = code->width + 2 * QuietZone;
    QImage image(modules * moduleSize, modules * moduleSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each module byte says whether it is dark.
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < moduleSize; ++dy) {
                QRgb *line = reinterpret_cast<QRgb *>(image.scanLine((y + QuietZone) * moduleSize + dy));
                for (int dx = 0; dx < moduleSize; ++dx)
                    line[(x + QuietZone) * moduleSize + dx] = qRgb(0, 0, 0);
            }
        }
    return image;
}
