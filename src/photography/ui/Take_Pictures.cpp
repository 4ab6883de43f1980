#include "photography/ui/Take_Pictures.h"

#include "desk/ProcessState.h"
#include "desk/RunLog.h"
#include "desk/ui/FileDialogs.h"
#include "desk/ui/Messages.h"
#include "camera/CameraSession.h"
#include "camera/sdk/CameraBackend.h"
#include "camera/ui/CameraShootDlg.h"
#include "compose/ImageFiles.h"
#include "compose/TemplateCells.h"
#include "compose/ui/VelloraPictureBox.h"
#include "photography/CombinationSettings.h"
#include "platform/Pause.h"

#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <thread>

namespace {

struct TemplateRow
{
    int cells;
    int edit;
    int choose;
    int preview;
    const char *label;
    const char *title;
};

constexpr TemplateRow kTemplateRows[] = {
    {1, Take_Pictures::kOneCellEdit, Take_Pictures::kOneCellChoose, Take_Pictures::kOneCellPreview, "一宫格", "选择一宫格相框模板文件"},
    {2, Take_Pictures::kTwoCellEdit, Take_Pictures::kTwoCellChoose, Take_Pictures::kTwoCellPreview, "二宫格", "选择二宫格相框模板文件"},
    {3, Take_Pictures::kThreeCellEdit, Take_Pictures::kThreeCellChoose, Take_Pictures::kThreeCellPreview, "三宫格", "选择三宫格相框模板文件"},
    {4, Take_Pictures::kFourCellEdit, Take_Pictures::kFourCellChoose, Take_Pictures::kFourCellPreview, "四宫格", "选择四宫格相框模板文件"},
};

const QString kNotes = QStringLiteral("注意：\n组合模式为竖向双拼时，二宫格相框模板应为四格，三宫格的相框模板应为六格。\n"
                                      "设计多宫格相框模板时，多格透明区域必须对齐；");
constexpr int kKorvane = 0;
// A preview needs no more pixels than a screen shows.
constexpr int kPreviewPixels = 1200;

QLabel *WhiteLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: white;"));
    return label;
}

QImage PreviewImage(const QImage &frameTemplate)
{
    if (frameTemplate.width() <= kPreviewPixels && frameTemplate.height() <= kPreviewPixels)
        return frameTemplate;
    return frameTemplate.scaled(kPreviewPixels, kPreviewPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

int Scaled(int milliseconds)
{
    return std::max(1, static_cast<int>(std::lround(milliseconds * PauseScale())));
}

// Topmost and as large as the screen, where it stands. The flag goes to the
// native window: changing the widget's flags would hide it, which ends a
// modal window's run.
void KeepOnTop(QWidget &window)
{
    if (QWindow *native = window.windowHandle(); native && !(native->flags() & Qt::WindowStaysOnTopHint))
        native->setFlag(Qt::WindowStaysOnTopHint, true);
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen && window.size() != screen->size())
        window.resize(screen->size());
    window.raise();
}

} // namespace

Take_Pictures::Take_Pictures(MakeSdk makeSdk, QWidget *parent)
    : QWidget(parent), m_makeSdk(makeSdk ? std::move(makeSdk) : MakeSdk(MakeCameraSdk))
{
    setObjectName(QStringLiteral("Take_Pictures"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    buildControls();
    loadSettings();

    m_timer1 = new QTimer(this);
    connect(m_timer1, &QTimer::timeout, this, &Take_Pictures::onTimer1);
    m_timer1->start(1000);
    m_timer2 = new QTimer(this);
    connect(m_timer2, &QTimer::timeout, this, &Take_Pictures::onTimer2);
    m_timer2->start(5000);
}

Take_Pictures::~Take_Pictures() = default;

template <class Widget> Widget *Take_Pictures::add(int id, Widget *widget)
{
    m_controls[id] = widget;
    return widget;
}

QWidget *Take_Pictures::control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void Take_Pictures::buildControls()
{
    m_brand = add(kBrand, new QComboBox(this));
    m_brand->addItem(QStringLiteral("Korvane"));
    auto *start = add(kStart, new QPushButton(QStringLiteral("开始"), this));
    start->setAutoDefault(false);
    connect(start, &QPushButton::clicked, this, &Take_Pictures::startCamera);

    for (const TemplateRow &row : kTemplateRows) {
        const int index = row.cells - 1;
        auto *label = WhiteLabel(QString::fromUtf8(row.label), this);
        label->setObjectName(QStringLiteral("label%1").arg(row.cells));
        m_edits[index] = add(row.edit, new QLineEdit(this));
        m_edits[index]->setReadOnly(true);
        m_chooseButtons[index] = add(row.choose, new QPushButton(QStringLiteral("选择"), this));
        m_chooseButtons[index]->setAutoDefault(false);
        const int cells = row.cells;
        connect(m_chooseButtons[index], &QPushButton::clicked, this, [this, cells] { openTemplateDialog(cells); });
        m_previews[index] = add(row.preview, new VelloraPictureBox(this));
    }

    m_mode = add(kMode, new QComboBox(this));
    m_mode->addItems({QStringLiteral("默认"), QStringLiteral("竖向双拼")});
    m_wait = add(kWait, new QComboBox(this));
    for (int seconds = 0; seconds <= 9; ++seconds)
        m_wait->addItem(QStringLiteral("%1秒").arg(seconds));
    for (QComboBox *combo : {m_brand, m_mode, m_wait})
        combo->setCurrentIndex(0);
    auto *notes = WhiteLabel(kNotes, this);
    notes->setWordWrap(true);
    notes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_notes = notes;
    WhiteLabel(QStringLiteral("组合模式："), this)->setObjectName(QStringLiteral("modeLabel"));
    WhiteLabel(QStringLiteral("等待时间："), this)->setObjectName(QStringLiteral("waitLabel"));

    connect(m_brand, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_brandIndex = index;
        WriteCameraVendor(index);
    });
    connect(m_mode, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_modeValue = index;
        CombinationMode = index;
        WriteCombinationMode(index);
    });
    connect(m_wait, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_waitValue = index;
        CaptureWaitTime = index;
        WriteCaptureWaitTime(index);
    });
}

void Take_Pictures::loadSettings()
{
    const CombinationSettings settings = ReadCombinationSettings();
    for (int cells = 1; cells <= 4; ++cells)
        if (!settings.templatePaths[cells - 1].isEmpty())
            showTemplate(cells, settings.templatePaths[cells - 1]);
    // A number the combo does not offer leaves it without selection; the value counts all the same.
    const auto take = [](const std::optional<int> &stored, int &page, std::atomic<int> &shared, QComboBox *combo) {
        if (!stored)
            return;
        page = *stored;
        if (page >= 0)
            shared = page;
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(page < combo->count() ? page : -1);
    };
    take(settings.mode, m_modeValue, CombinationMode, m_mode);
    take(settings.waitTime, m_waitValue, CaptureWaitTime, m_wait);
}

void Take_Pictures::showTemplate(int cells, const QString &path)
{
    m_paths[cells - 1] = path;
    m_edits[cells - 1]->setText(path);
    m_previews[cells - 1]->SetImage(PreviewImage(LoadFrameTemplate(path.toStdString())));
}

void Take_Pictures::openTemplateDialog(int cells)
{
    const QString file = AskOpenFile(this, QString::fromUtf8(kTemplateRows[cells - 1].title), QString(), ImageFileFilter());
    if (!file.isEmpty())
        chooseTemplate(cells, file);
}

bool Take_Pictures::chooseTemplate(int cells, const QString &file)
{
    if (cells < 1 || cells > 4)
        return false;
    const QImage frameTemplate = LoadFrameTemplate(file.toStdString());
    TemplateCellList windows;
    if (!FindTemplateCells(frameTemplate, ExpectedTemplateWindows(cells, m_modeValue), windows)) {
        ShowNotice(this, QStringLiteral("未能正确获取透明区域，请检查一下相框模板。"));
        return false;
    }
    m_paths[cells - 1] = file;
    WriteCombinationTemplate(cells, file);
    m_edits[cells - 1]->setText(file);
    VelloraPictureBox *preview = m_previews[cells - 1];
    preview->SetImage(PreviewImage(frameTemplate));
    preview->hide();
    preview->show();
    preview->DrawFitted();
    return true;
}

void Take_Pictures::onTimer1()
{
    if (CombinationPreviewsDrawn)
        return;
    CombinationPreviewsDrawn = true;
    drawPreviews();
}

// One after the other, 50 ms apart.
void Take_Pictures::drawPreviews()
{
    for (int index = 0; index < 4; ++index)
        QTimer::singleShot(Scaled(50 * index), this, [this, index] { m_previews[index]->DrawFitted(); });
}

void Take_Pictures::onTimer2()
{
    if (!CaptureOnTop)
        return;
    if (QWidget *main = applicationMainWindow())
        KeepOnTop(*main);
}

QWidget *Take_Pictures::applicationMainWindow() const
{
    if (m_cameraWindow)
        return m_cameraWindow;
    return window();
}

std::unique_ptr<CameraSession> Take_Pictures::connectCamera(ShotFiling filing, SdkError &error)
{
    // The camera library starts and the camera is looked for on a thread of
    // their own: a slow or busy camera answers in seconds, and the window
    // keeps painting meanwhile. The button waits, so no second start begins.
    QWidget *start = control(kStart);
    start->setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<CameraSession> session;
    QEventLoop waiting;
    std::thread worker([&session, &error, &waiting, sdk = m_makeSdk(), filing = std::move(filing)]() mutable {
        session = CameraSession::connect(std::move(sdk), std::move(filing), &error);
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QGuiApplication::restoreOverrideCursor();
    start->setEnabled(true);
    return session;
}

void Take_Pictures::startCamera()
{
    if (m_brandIndex != kKorvane)
        return;
    CaptureSequence sequence(this, m_combination);
    SdkError error = 0;
    std::unique_ptr<CameraSession> session = connectCamera(sequence.filing(), error);
    if (!session) {
        // The library is stopped again and nothing on the page changed; the
        // operator and the run log learn why, e.g. a camera the desktop has claimed.
        const QString cause = QString::fromStdString(DescribeCameraError(error));
        WriteRunLog(QStringLiteral("Cannot detect camera: ") + cause);
        QMessageBox box(QMessageBox::NoIcon, QString(), QStringLiteral("Cannot detect camera"), QMessageBox::Ok);
        box.setInformativeText(cause);
        box.exec();
        return;
    }
    {
        CameraShootDlg window(*session);
        window.setShootHook([&window] { CaptureSequence::Shoot(window); });
        window.setConnected(true);
        // The camera window is the application's main window while it runs;
        // afterwards the window this page sits in is again.
        m_cameraWindow = &window;
        emit cameraWindowOpening(&window);
        window.exec();
        m_cameraWindow = nullptr;
    }
    session->close();
}

void Take_Pictures::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

void Take_Pictures::placeControls()
{
    m_brand->setGeometry(20, 20, 150, 28);
    control(kStart)->setGeometry(190, 16, 120, 36);
    for (const TemplateRow &row : kTemplateRows) {
        const int y = 80 + (row.cells - 1) * 50;
        findChild<QLabel *>(QStringLiteral("label%1").arg(row.cells))->setGeometry(20, y, 60, 28);
        m_edits[row.cells - 1]->setGeometry(80, y, 240, 28);
        m_chooseButtons[row.cells - 1]->setGeometry(330, y, 60, 28);
    }
    findChild<QLabel *>(QStringLiteral("modeLabel"))->setGeometry(20, 290, 90, 28);
    m_mode->setGeometry(110, 290, 150, 28);
    findChild<QLabel *>(QStringLiteral("waitLabel"))->setGeometry(20, 330, 90, 28);
    m_wait->setGeometry(110, 330, 150, 28);
    m_notes->setGeometry(20, 380, 370, 120);

    const QRect choose = m_chooseButtons[0]->geometry();
    const int c = choose.left() + choose.width();
    const int top = 0;
    const int r = width();
    const int b = height();
    const int m = c / 2 + r / 2;
    const int h = b / 2;
    const auto place = [](QWidget *preview, int left, int top, int right, int bottom) {
        preview->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    };
    place(m_previews[0], c + 50, top + 39, m, h);
    place(m_previews[1], m + 20, top + 39, r - 20, h);
    place(m_previews[2], c + 50, h + 39, m, b - 20);
    place(m_previews[3], m + 20, h + 39, r - 20, b - 20);
}
