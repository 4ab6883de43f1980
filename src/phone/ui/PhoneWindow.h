#pragma once

#include "phone/OrderBook.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class PhoneServer;

// The companion's window, titled as the desk looks for it: the page's
// address and its QR code to print or show on a screen, the operator's two
// choices (most copies per order, the gallery), and today's orders with
// their states.
class PhoneWindow final : public QWidget
{
    Q_OBJECT

public:
    // `address` is the page's address.
    PhoneWindow(OrderBook &orders, PhoneServer &server, const QString &address, QWidget *parent = nullptr);

    QLabel *AddressLabel() const { return m_address; }
    QSpinBox *MaxCopiesBox() const { return m_maxCopies; }
    QCheckBox *GalleryBox() const { return m_gallery; }
    QTableWidget *OrderTable() const { return m_table; }
    QLabel *DeskLine() const { return m_deskLine; }
    QPushButton *SaveQrButton() const { return m_saveQr; }

    // Shows what the desk last said (its message when phone reprint starts).
    void ShowDeskMessage(const QString &text);
    // Shows a warning under the address, or none for an empty text.
    void ShowWarning(const QString &text);

signals:
    void ChoicesChanged(int maxCopies, bool gallery);

private:
    void ScheduleRefresh();
    void Refresh();

    OrderBook &m_orders;
    QLabel *m_address;
    QLabel *m_qr;
    QLabel *m_warning;
    QSpinBox *m_maxCopies;
    QCheckBox *m_gallery;
    QTableWidget *m_table;
    QLabel *m_deskLine;
    QPushButton *m_saveQr;
    bool m_refreshPending = false;
};

// The window's title, which the desk finds the companion by.
inline constexpr const char *PhoneWindowTitle = "Vellora | Transmission";
// Where "save the QR code" puts it, in the program folder.
inline constexpr const char *QrCodeFile = "PhoneQrCode.png";
