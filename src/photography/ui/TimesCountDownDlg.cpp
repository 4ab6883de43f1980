#include "photography/ui/TimesCountDownDlg.h"

#include "platform/Pause.h"

#include <QBitmap>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// The digits' colour; anything but white, which stands for "see through".
constexpr QRgb kDigitColour = 0xFFFF5A1E;
constexpr int kDigitPoints = 186;
constexpr int kMinimumDigitsSize = 200;

// A second, scaled like every fixed pause of the program (tests run faster).
int TickMilliseconds()
{
    return std::max(1, static_cast<int>(std::lround(1000 * PauseScale())));
}

} // namespace

TimesCountDownDlg::TimesCountDownDlg(int seconds, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_remaining(seconds)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    m_digits = new QLabel(this);
    m_digits->setAlignment(Qt::AlignCenter);
    m_digits->setAttribute(Qt::WA_TranslucentBackground);
    // Arial, the countdown's font; fontconfig gives its metric twin, Liberation Sans.
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(kDigitPoints);
    m_digits->setFont(font);
    QPalette palette = m_digits->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(kDigitColour));
    m_digits->setPalette(palette);
    m_digits->clear();

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &TimesCountDownDlg::onTick);
    m_timer->start(TickMilliseconds());

    const QScreen *screen = QGuiApplication::primaryScreen();
    setGeometry(screen ? screen->geometry() : QRect(0, 0, 1024, 768));
    shapeToDigits();
    raise();
    activateWindow();
}

void TimesCountDownDlg::shapeToDigits()
{
    // Only the digits' own box is drawn and traced: the tick stays on time.
    const QRect area = m_digits->geometry();
    const int alignment = static_cast<int>(m_digits->alignment());
    const QRect box = QFontMetrics(m_digits->font()).boundingRect(area, alignment, m_digits->text()).intersected(area);
    QRegion region;
    if (!m_digits->text().isEmpty() && !box.isEmpty()) {
        QImage shape(box.size(), QImage::Format_ARGB32_Premultiplied);
        shape.fill(Qt::transparent);
        QPainter painter(&shape);
        painter.translate(-box.topLeft());
        painter.setFont(m_digits->font());
        painter.setPen(Qt::black);
        painter.drawText(area, alignment, m_digits->text());
        painter.end();
        region = QRegion(QBitmap::fromImage(shape.createAlphaMask())).translated(box.topLeft());
    }
    // An empty mask would mean no mask at all: one corner pixel stands for "nothing yet".
    setMask(region.isEmpty() ? QRegion(0, 0, 1, 1) : region);
}

void TimesCountDownDlg::onTick()
{
    if (m_remaining < 1)
        done(Accepted);
    m_digits->setText(QString::number(m_remaining));
    shapeToDigits();
    emit digitShown(m_remaining);
    --m_remaining;
    if (m_remaining < -1)
        m_timer->stop();
}

void TimesCountDownDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int width = this->width() - 20;
    const int height = this->height() - 110;
    if (width >= kMinimumDigitsSize && height >= kMinimumDigitsSize)
        m_digits->setGeometry(10, 100, width, height);
    shapeToDigits();
}
