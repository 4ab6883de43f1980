#include "photography/ui/CombinationPreviewdlg.h"

#include "desk/ProcessState.h"
#include "compose/ui/VelloraPictureBox.h"
#include "intake/CopyLimit.h"
#include "photography/CombinationPrint.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kButtonSide = 50;

struct CopiesButton
{
    int id;
    int copies;
};

constexpr CopiesButton kCopiesButtons[] = {
    {CombinationPreviewdlg::kTwo, 2},   {CombinationPreviewdlg::kThree, 3}, {CombinationPreviewdlg::kFour, 4},
    {CombinationPreviewdlg::kFive, 5},  {CombinationPreviewdlg::kSix, 6},   {CombinationPreviewdlg::kSeven, 7},
    {CombinationPreviewdlg::kEight, 8}, {CombinationPreviewdlg::kNine, 9},
};

// The buttons' own pictures: a round badge with the text in its middle.
QIcon Badge(const QString &text, QColor fill, int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(fill);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(side / 2);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

} // namespace

CombinationPreviewdlg::CombinationPreviewdlg(QImage picture, const QString &problem, QWidget *parent)
    : QDialog(parent)
    , m_picture(std::move(picture))
    , m_problem(problem)
{
    setWindowTitle(QStringLiteral("组合预览"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    buildControls();

    m_timer1 = new QTimer(this);
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &CombinationPreviewdlg::onTimer1);
    m_timer1->start();
    m_timer2 = new QTimer(this); // kept for its period; it has no work
    m_timer2->setInterval(2000);
    m_timer2->start();

    CaptureOnTop = false;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    raise();
    activateWindow();
}

template <class Widget> Widget *CombinationPreviewdlg::add(int id, Widget *widget)
{
    m_controls[id] = widget;
    return widget;
}

QWidget *CombinationPreviewdlg::control(int id) const
{
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

void CombinationPreviewdlg::buildControls()
{
    m_preview = add(kPreview, new VelloraPictureBox(this));
    m_problemLabel = new QLabel(m_problem, this);
    m_problemLabel->setAlignment(Qt::AlignCenter);
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setStyleSheet(QStringLiteral("color: white; font-size: 24px;"));
    m_problemLabel->setVisible(m_picture.isNull());

    m_copiesEdit = add(kCopies, new QLineEdit(QStringLiteral("1"), this));
    m_copiesEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_copiesEdit));
    m_copiesEdit->setMaxLength(QString::number(MaxCopies).size()); // a stray digit cannot go past the limit
    m_copiesEdit->setAlignment(Qt::AlignCenter);
    m_copiesEdit->setFont(QFont(QStringLiteral("Arial"), 18));

    auto *ok = add(kOk, new QPushButton(QStringLiteral("确定"), this));
    ok->setStyleSheet(QStringLiteral("QPushButton { color: white; background-color: #050000; font-size: 18px; }"));
    connect(ok, &QPushButton::clicked, this, [this] { print(CombinationCopies(m_copiesEdit->text())); });

    for (const CopiesButton &button : kCopiesButtons) {
        auto *pushButton = add(button.id, new QPushButton(this));
        pushButton->setIcon(Badge(QString::number(button.copies), QColor(0xE0, 0x60, 0x20), kButtonSide));
        pushButton->setIconSize(QSize(kButtonSide, kButtonSide));
        pushButton->setFlat(true);
        pushButton->setToolTip(QString::number(button.copies));
        pushButton->setAccessibleName(QString::number(button.copies));
        connect(pushButton, &QPushButton::clicked, this, [this, copies = button.copies] { print(copies); });
    }
    auto *cancel = add(kCancel, new QPushButton(this));
    cancel->setIcon(Badge(QStringLiteral("✕"), QColor(0x60, 0x60, 0x60), 40));
    cancel->setIconSize(QSize(40, 40));
    cancel->setFlat(true);
    cancel->setToolTip(QStringLiteral("取消"));
    cancel->setAccessibleName(QStringLiteral("取消"));
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_ending = true;
        reject();
    });

    // Without a picture there is nothing to print.
    const bool printable = !m_picture.isNull();
    ok->setEnabled(printable);
    m_copiesEdit->setEnabled(printable);
    for (const CopiesButton &button : kCopiesButtons)
        control(button.id)->setEnabled(printable);
}

void CombinationPreviewdlg::onTimer1()
{
    if (m_composedOnce)
        return;
    m_composedOnce = true;
    if (!m_picture.isNull()) {
        m_preview->SetImage(m_picture);
        m_preview->DrawFitted();
    }
}

void CombinationPreviewdlg::print(int copies)
{
    m_copies = std::max(copies, 1);
    m_ending = true;
    accept();
}

void CombinationPreviewdlg::closeEvent(QCloseEvent *event)
{
    // Closed by the window's own close, not by a button: the camera window
    // is kept on top again.
    if (!m_ending)
        CaptureOnTop = true;
    QDialog::closeEvent(event);
}

void CombinationPreviewdlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const QRect client = rect();
    const int l = client.left(), t = client.top(), r = client.right() + 1, b = client.bottom() + 1;
    const QRect previewArea(QPoint(l + 10, t + 10), QPoint(r - 10, b - 160));
    m_preview->setGeometry(previewArea);
    m_problemLabel->setGeometry(previewArea);
    control(kCancel)->setGeometry(r - 80, t + 20, 40, 40);
    m_copiesEdit->setGeometry(l + 180, b - 105, 90, 30);
    control(kOk)->setGeometry(l + 290, b - 119, 100, 50);
    int x = l + 430;
    for (const CopiesButton &button : kCopiesButtons) {
        control(button.id)->setGeometry(x, b - 119, kButtonSide, kButtonSide);
        x += 80;
    }
    if (m_composedOnce && !m_picture.isNull())
        m_preview->DrawFitted();
}
