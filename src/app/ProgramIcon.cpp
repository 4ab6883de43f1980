#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Stands in where the icon is not installed (a run from the checkout).
QIcon DrawnIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0x2b, 0x6c, 0xb0));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0, 0, size, size), size / 5.0, size / 5.0);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(size * 3 / 4);
        painter.setFont(font);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon ProgramIcon()
{
    // The installed program wears the icon of its launcher entry.
    return QIcon::fromTheme(QStringLiteral("vellora"), DrawnIcon());
}
