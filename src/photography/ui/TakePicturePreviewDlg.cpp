#include "photography/ui/TakePicturePreviewDlg.h"

#include "desk/ProcessState.h"
#include "desk/ui/Messages.h"
#include "compose/ImageFiles.h"
#include "photography/ShotFolder.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace fs = std::filesystem;

// The preview area: the current shot fitted in and centred; it keeps the
// last picture drawn until another is drawn.
class ReviewPicture final : public QWidget
{
public:
    explicit ReviewPicture(QWidget *parent) : QWidget(parent) {}

    void draw(const QImage &picture)
    {
        m_area = FittedArea(picture.size(), size());
        m_drawn = m_area.isEmpty() ? QImage() : StretchImage(picture, m_area.size());
        update();
    }
    QRect area() const { return m_area; }

    // Landscape pictures take the width less 20 pixels, portrait ones the
    // height less 20, square ones the smaller of the two; a picture still
    // too tall is brought down to the height less 20.
    static QRect FittedArea(QSize picture, QSize area)
    {
        if (picture.isEmpty())
            return {};
        const double ratio = double(picture.width()) / picture.height();
        int width = 0;
        int height = 0;
        if (picture.width() > picture.height()) {
            width = area.width() - 20;
            height = int(width / ratio);
        } else if (picture.width() < picture.height()) {
            height = area.height() - 20;
            width = int(height * ratio);
        } else {
            width = height = std::min(area.width(), area.height()) - 20;
        }
        if (height > area.height()) {
            height = area.height() - 20;
            width = int(height * ratio);
        }
        if (width <= 0 || height <= 0)
            return {};
        return QRect((area.width() - width) / 2, (area.height() - height) / 2, width, height);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!m_drawn.isNull())
            painter.drawImage(m_area.topLeft(), m_drawn);
    }

private:
    QRect m_area;
    QImage m_drawn;
};

namespace {

constexpr int kMinimumPreviewSize = 200;

QImage LoadShot(const QString &path, QSize fitInto)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const int reduction = JpegDecodeReduction(reader.size(), fitInto);
    if (reduction > 1)
        reader.setScaledSize(reader.size() / reduction);
    return reader.read();
}

QPushButton *MakeButton(const QString &text, int pointSize, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    QFont font = button->font();
    font.setPointSize(pointSize);
    font.setBold(true);
    button->setFont(font);
    button->setStyleSheet(QStringLiteral("QPushButton { color: white; background: #2a2a2a; border: 2px solid #8a8a8a;"
                                         " border-radius: 8px; } QPushButton:pressed { background: #555555; }"));
    return button;
}

bool SameFile(const QString &a, const QString &b)
{
    std::error_code error;
    return fs::absolute(a.toStdString(), error).lexically_normal() == fs::absolute(b.toStdString(), error).lexically_normal();
}

} // namespace

TakePicturePreviewDlg::TakePicturePreviewDlg(const QString &shot, QImage picture, const fs::path &folder, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_folder(folder),
      m_currentPath(shot), m_current(std::move(picture))
{
    buildControls();
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (!m_drawn)
            drawCurrent();
    });
    timer->start(1000);
    m_initialised = true;
    startScan();

    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    CaptureOnTop = false;
    const QScreen *screen = QGuiApplication::primaryScreen();
    setGeometry(screen ? screen->geometry() : QRect(0, 0, 1280, 800));
    if (m_current.isNull())
        m_current = LoadShot(m_currentPath, size());
    raise();
    activateWindow();
}

TakePicturePreviewDlg::~TakePicturePreviewDlg()
{
    m_stopScan = true;
    if (m_scan.joinable())
        m_scan.join();
}

void TakePicturePreviewDlg::buildControls()
{
    m_picture = new ReviewPicture(this);
    m_list = new QListWidget(this);
    m_list->setViewMode(QListView::ListMode);
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setIconSize(QSize(kShotThumbnailWidth / 2, kShotThumbnailHeight / 2));
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: black; color: black; border: 1px solid #404040; }"));
    m_goOn = MakeButton(QStringLiteral("继续拍照"), 11, this);
    m_delete = MakeButton(QStringLiteral("删除"), 11, this);
    m_stop = MakeButton(QStringLiteral("不拍了"), 16, this);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { clickRow(m_list->row(item)); });
    connect(m_goOn, &QPushButton::clicked, this, &TakePicturePreviewDlg::goOnShooting);
    connect(m_delete, &QPushButton::clicked, this, &TakePicturePreviewDlg::deleteCurrent);
    connect(m_stop, &QPushButton::clicked, this, &TakePicturePreviewDlg::stopShooting);
}

QWidget *TakePicturePreviewDlg::control(int id) const
{
    switch (id) {
    case kPreview:
        return m_picture;
    case kGoOn:
        return m_goOn;
    case kDelete:
        return m_delete;
    case kShotList:
        return m_list;
    case kStop:
        return m_stop;
    default:
        return nullptr;
    }
}

void TakePicturePreviewDlg::startScan()
{
    m_list->clear();
    m_scan = std::thread([this] {
        ScanShotFolder(m_folder, m_stopScan, [this](ShotRow row) {
            // Queued to this dialog: dropped unseen if the dialog is gone.
            QMetaObject::invokeMethod(this, [this, row = std::move(row)] { addRow(row); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_scanFinished = true;
                emit scanDone();
            },
            Qt::QueuedConnection);
    });
}

void TakePicturePreviewDlg::addRow(const ShotRow &row)
{
    auto *item = new QListWidgetItem(QIcon(QPixmap::fromImage(row.thumbnail)), QString(), m_list);
    item->setData(Qt::UserRole, row.path);
    item->setToolTip(row.path);
    emit rowAdded(m_list->count() - 1);
}

int TakePicturePreviewDlg::rowCount() const
{
    return m_list->count();
}

QString TakePicturePreviewDlg::rowPath(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void TakePicturePreviewDlg::clickRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    m_selectedRow = row;
    showPath(rowPath(row));
}

void TakePicturePreviewDlg::showPath(const QString &path)
{
    m_current = QImage();
    m_currentPath = path;
    m_current = LoadShot(path, m_picture->size());
    if (!m_current.isNull()) {
        m_selectedRow = -1;
        drawCurrent();
        return;
    }
    // The file is gone: so is its row. The preview keeps what it showed.
    if (m_selectedRow >= 0 && m_selectedRow < rowCount())
        delete m_list->takeItem(m_selectedRow);
    m_selectedRow = -1;
}

int TakePicturePreviewDlg::lastRowShowing(const QString &path) const
{
    for (int row = rowCount() - 1; row >= 0; --row)
        if (SameFile(rowPath(row), path))
            return row;
    return -1;
}

void TakePicturePreviewDlg::deleteCurrent()
{
    if (m_currentPath.isEmpty())
        return;
    if (!AskYesNo(this, QStringLiteral("确定要删除该照片？")))
        return;
    std::error_code error;
    const fs::path file = m_currentPath.toStdString();
    if (!fs::exists(file, error))
        return;
    // The row is found by the file it shows, whether the path is the new
    // shot's full one or the row's own relative one.
    const int row = lastRowShowing(m_currentPath);
    fs::remove(file, error);
    m_selectedRow = row;
    showPath(m_currentPath);
}

void TakePicturePreviewDlg::goOnShooting()
{
    m_chosen.clear();
    accept();
}

void TakePicturePreviewDlg::stopShooting()
{
    std::vector<QString> listed;
    for (int row = 0; row < rowCount(); ++row)
        listed.push_back(rowPath(row));
    m_chosen = ChooseCombinationShots(listed);
    SetChosenShots(m_chosen);
    accept();
}

void TakePicturePreviewDlg::drawCurrent()
{
    if (!m_current.isNull())
        m_picture->draw(m_current);
    m_drawn = true;
}

void TakePicturePreviewDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeControls();
    if (m_initialised)
        drawCurrent();
}

void TakePicturePreviewDlg::placeControls()
{
    const int l = 0;
    const int t = 0;
    const int r = width();
    const int b = height();
    const int previewWidth = r - l - 20;
    const int previewHeight = b - t - 230;
    if (previewWidth >= kMinimumPreviewSize && previewHeight >= kMinimumPreviewSize)
        m_picture->setGeometry(l + 10, t + 10, previewWidth, previewHeight);
    m_list->setGeometry(l + 10, b - 210, r - l - 240, 200);
    m_goOn->setGeometry(r - 200, b - 190, 80, 70);
    m_delete->setGeometry(r - 110, b - 190, 80, 70);
    m_stop->setGeometry(r - 200, b - 110, 160, 80);
}
