#include "phone/ui/PhoneWindow.h"

#include "phone/PhoneServer.h"
#include "phone/QrCode.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// How often the states of waiting orders are looked at again.
constexpr int RefreshMs = 2000;
constexpr int LargestMaxCopies = 99;

QString StateText(OrderBook::State state)
{
    return state == OrderBook::State::Queued ? QStringLiteral("已加入补打队列") : QStringLiteral("等待前台接单");
}

} // namespace

PhoneWindow::PhoneWindow(OrderBook &orders, PhoneServer &server, const QString &address, QWidget *parent)
    : QWidget(parent)
    , m_orders(orders)
    , m_address(new QLabel(address, this))
    , m_qr(new QLabel(this))
    , m_warning(new QLabel(this))
    , m_maxCopies(new QSpinBox(this))
    , m_gallery(new QCheckBox(QStringLiteral("允许浏览当天全部已打印照片"), this))
    , m_table(new QTableWidget(0, 4, this))
    , m_deskLine(new QLabel(QStringLiteral("前台：尚未联系"), this))
    , m_saveQr(new QPushButton(QStringLiteral("保存二维码图片（可打印）"), this))
{
    setWindowTitle(QString::fromUtf8(PhoneWindowTitle));
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_address->setWordWrap(true);
    m_qr->setPixmap(QPixmap::fromImage(QrCodeImage(address, 5)));
    m_qr->setAlignment(Qt::AlignCenter);
    m_qr->setObjectName(QStringLiteral("qrCode"));
    m_warning->setStyleSheet(QStringLiteral("color: #b00020"));
    m_warning->setWordWrap(true);
    m_warning->hide();
    m_maxCopies->setRange(1, LargestMaxCopies);
    m_maxCopies->setMaximumWidth(80);
    m_maxCopies->setValue(server.MaxCopies());
    m_gallery->setChecked(server.Gallery());
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("时间"), QStringLiteral("照片"), QStringLiteral("份数"), QStringLiteral("状态")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);

    auto *top = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("客人连上现场的 Wi-Fi，扫描二维码或打开这个地址："), this));
    left->addWidget(m_address);
    left->addWidget(m_warning);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("每单最多份数："), m_maxCopies);
    form->addRow(m_gallery);
    left->addLayout(form);
    left->addWidget(m_saveQr);
    left->addStretch();
    left->addWidget(m_deskLine);
    top->addLayout(left, 1);
    top->addWidget(m_qr);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("今天的手机订单："), this));
    layout->addWidget(m_table, 1);
    resize(640, 560);

    connect(m_maxCopies, &QSpinBox::valueChanged, this, [this, &server](int copies) {
        server.SetMaxCopies(copies);
        emit ChoicesChanged(copies, m_gallery->isChecked());
    });
    connect(m_gallery, &QCheckBox::toggled, this, [this, &server](bool on) {
        server.SetGallery(on);
        emit ChoicesChanged(m_maxCopies->value(), on);
    });
    // Orders arrive on the server's threads; the list follows on this one,
    // at most once per turn of the event loop however many arrive.
    connect(&orders, &OrderBook::Changed, this, &PhoneWindow::ScheduleRefresh, Qt::QueuedConnection);
    connect(m_saveQr, &QPushButton::clicked, this, [this, address] {
        // Large modules, so a printed sheet still reads from across a table.
        const bool saved = QrCodeImage(address, 16).save(QString::fromUtf8(QrCodeFile), "PNG");
        QMessageBox::information(this, windowTitle(),
                                 saved ? QStringLiteral("二维码已保存为程序目录下的 %1，可以打印出来放在现场。").arg(QString::fromUtf8(QrCodeFile))
                                       : QStringLiteral("二维码图片没能保存。"));
    });
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &PhoneWindow::Refresh);
    timer->start(RefreshMs);
    Refresh();
}

void PhoneWindow::ShowDeskMessage(const QString &text)
{
    m_deskLine->setText(QStringLiteral("前台：") + text);
}

void PhoneWindow::ShowWarning(const QString &text)
{
    m_warning->setText(text);
    m_warning->setVisible(!text.isEmpty());
}

void PhoneWindow::ScheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, &PhoneWindow::Refresh);
}

void PhoneWindow::Refresh()
{
    m_refreshPending = false;
    const std::vector<OrderBook::Order> orders = m_orders.Orders();
    const int known = m_table->rowCount();
    m_table->setRowCount(static_cast<int>(orders.size()));
    for (int row = 0; row < static_cast<int>(orders.size()); ++row) {
        const OrderBook::Order &order = orders[row];
        if (row >= known) {
            m_table->setItem(row, 0, new QTableWidgetItem(order.placed.toString(QStringLiteral("HH:mm:ss"))));
            m_table->setItem(row, 1, new QTableWidgetItem(order.name));
            m_table->setItem(row, 2, new QTableWidgetItem(QString::number(order.copies)));
            m_table->setItem(row, 3, new QTableWidgetItem);
        }
        m_table->item(row, 3)->setText(StateText(order.state));
    }
    if (static_cast<int>(orders.size()) > known)
        m_table->scrollToBottom();
}
