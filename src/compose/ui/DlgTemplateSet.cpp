#include "compose/ui/DlgTemplateSet.h"

#include "desk/ui/BackgroundTask.h"
#include "desk/ui/FileDialogs.h"
#include "desk/ui/Messages.h"
#include "compose/ImageFiles.h"
#include "compose/SinglePhoto.h"
#include "compose/ui/ColorButton.h"
#include "platform/DecimalText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

constexpr int TimerMs = 100;
constexpr int RepaintsOnOpen = 5;
constexpr int RepaintsOnChange = 3;
constexpr int LabelPlacingTick = 3;
// A sample photo is decoded at most this large: enough for any preview.
constexpr QSize SampleDecodeLimit{1600, 1600};
// The sample label never grows beyond this, whatever size is typed.
constexpr int LargestLabel = 1000;

QLabel *Caption(const QString &text, QWidget *parent)
{
    return new QLabel(text, parent);
}

QLineEdit *Field(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(70);
    return edit;
}

QCheckBox *Switch(const QString &text, const char *name, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// The label's cell height on screen: what the print's cell of size x 3.8
// canvas pixels measures at 96 dots per inch.
int LabelCellHeight(int textSize)
{
    const int canvasCell = static_cast<int>(textSize * 3.8);
    return std::clamp(canvasCell / CanvasPerScreenPixel, 0, LargestLabel);
}

} // namespace

DlgTemplateSet::DlgTemplateSet(const std::filesystem::path &frameFile, const std::filesystem::path &sourceFolder,
                               int paperWidthMm, int paperHeightMm, QWidget *parent)
    : QDialog(parent),
      m_frameFile(frameFile),
      m_sourceFolder(sourceFolder),
      m_paperWidthMm(paperWidthMm),
      m_paperHeightMm(paperHeightMm),
      m_paper(PreviewPaperSize(paperWidthMm, paperHeightMm))
{
    setWindowTitle(QStringLiteral("相框模板设置"));
    BuildControls();

    TemplateSettings settings = CurrentTemplateSettings.Get();
    const TemplateForm form = FillTemplateForm(settings, NewTemplateChosen);
    CurrentTemplateSettings.Set(settings);
    ShowForm(form);

    StartTemplateLoad();
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &DlgTemplateSet::Tick);
    m_timer->start(TimerMs);
    RequestRepaints(RepaintsOnOpen);
}

void DlgTemplateSet::BuildControls()
{
    auto *controls = new QWidget(this);
    auto *grid = new QGridLayout(controls);
    grid->setContentsMargins(10, 10, 10, 0);
    grid->setHorizontalSpacing(8);

    m_photoButton = new QPushButton(QStringLiteral("相片文件"), controls);
    m_photoButton->setObjectName(QStringLiteral("photoButton"));
    m_photoButton->setAutoDefault(false);
    m_scale = Field("scale", controls);
    m_left = Field("leftMargin", controls);
    m_top = Field("topMargin", controls);
    m_autoSize = Switch(QStringLiteral("自动大小"), "autoSize", controls);
    m_autoRotation = Switch(QStringLiteral("自动旋转"), "autoRotation", controls);
    grid->addWidget(m_photoButton, 0, 0);
    grid->addWidget(Caption(QStringLiteral("缩放比例:"), controls), 0, 1, Qt::AlignRight);
    grid->addWidget(m_scale, 0, 2);
    grid->addWidget(Caption(QStringLiteral("左边距："), controls), 0, 3, Qt::AlignRight);
    grid->addWidget(m_left, 0, 4);
    grid->addWidget(Caption(QStringLiteral("上边距："), controls), 0, 5, Qt::AlignRight);
    grid->addWidget(m_top, 0, 6);
    grid->addWidget(m_autoSize, 0, 7);
    grid->addWidget(m_autoRotation, 0, 8);

    m_print = Switch(QStringLiteral("打印"), "print", controls);
    m_kind = new QComboBox(controls);
    m_kind->setObjectName(QStringLiteral("labelKind"));
    m_kind->addItems({QStringLiteral("名称"), QStringLiteral("编号")});
    m_textSize = Field("textSize", controls);
    m_transparent = Switch(QStringLiteral("字体透明背景"), "transparent", controls);
    grid->addWidget(m_print, 1, 0);
    grid->addWidget(m_kind, 1, 1, 1, 2);
    grid->addWidget(Caption(QStringLiteral("字体大小："), controls), 1, 3, Qt::AlignRight);
    grid->addWidget(m_textSize, 1, 4);
    grid->addWidget(m_transparent, 1, 5, 1, 3);

    m_textColor = new ColorButton(QStringLiteral("字体颜色："), controls);
    m_textColor->setObjectName(QStringLiteral("textColor"));
    m_backColor = new ColorButton(QStringLiteral("背景颜色："), controls);
    m_backColor->setObjectName(QStringLiteral("backgroundColor"));
    m_save = new QPushButton(QStringLiteral("保存"), controls);
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setDefault(true);
    grid->addWidget(Caption(QStringLiteral("字体颜色："), controls), 2, 1, Qt::AlignRight);
    grid->addWidget(m_textColor, 2, 2);
    grid->addWidget(Caption(QStringLiteral("背景颜色："), controls), 2, 3, Qt::AlignRight);
    grid->addWidget(m_backColor, 2, 4);
    grid->addWidget(m_save, 2, 8);
    grid->setColumnStretch(9, 1);

    // Polished now, the controls have their final sizes and the paper's place
    // is known: a little below the colour buttons, the last row.
    controls->ensurePolished();
    controls->adjustSize();
    controls->move(0, 0);
    m_previewTop = controls->height() + 10;
    const int width = std::max({767, PaperLeft + m_paper.width() + 30, controls->width()});
    setFixedSize(width, m_previewTop + m_paper.height() + 20);
    controls->resize(width, controls->height());

    m_label = new QLabel(QStringLiteral("0123"), this);
    m_label->setObjectName(QStringLiteral("sampleLabel"));
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setMargin(0);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents); // the dialog drags it
    m_label->hide();

    connect(m_photoButton, &QPushButton::clicked, this, &DlgTemplateSet::PickSamplePhoto);
    connect(m_scale, &QLineEdit::textChanged, this, [this] {
        Recompose();
        RequestRepaints(RepaintsOnChange);
    });
    for (QLineEdit *margin : {m_left, m_top}) {
        connect(margin, &QLineEdit::textEdited, this, [margin](const QString &typed) {
            const QString value = MarginText(typed);
            if (value != typed)
                margin->setText(value);
        });
        connect(margin, &QLineEdit::textChanged, this, [this] {
            Recompose();
            RequestRepaints(RepaintsOnChange);
        });
    }
    connect(m_textSize, &QLineEdit::textChanged, this, &DlgTemplateSet::ResizeLabel);
    connect(m_textColor, &ColorButton::ColorChosen, this, &DlgTemplateSet::ApplyLabelLook);
    connect(m_backColor, &ColorButton::ColorChosen, this, &DlgTemplateSet::ApplyLabelLook);
    connect(m_print, &QCheckBox::toggled, this, &DlgTemplateSet::UpdateEnabling);
    connect(m_transparent, &QCheckBox::toggled, this, [this] {
        UpdateEnabling();
        ApplyLabelLook();
    });
    connect(m_save, &QPushButton::clicked, this, &DlgTemplateSet::Save);
}

void DlgTemplateSet::ShowForm(const TemplateForm &form)
{
    m_scale->setText(form.scale);
    m_left->setText(form.leftMargin);
    m_top->setText(form.topMargin);
    m_textSize->setText(form.textSize);
    m_print->setChecked(form.print);
    m_kind->setCurrentIndex(form.labelKind);
    m_textColor->SetColor(form.textColor);
    m_backColor->SetColor(form.backgroundColor);
    m_transparent->setChecked(form.transparent);
    m_autoSize->setChecked(form.autoSize);
    m_autoRotation->setChecked(form.autoRotation);
    m_labelLeft = form.labelLeft;
    m_labelTop = form.labelTop;
    UpdateEnabling();
    ApplyLabelLook();
    ResizeLabel();
}

TemplateForm DlgTemplateSet::Form() const
{
    TemplateForm form;
    form.scale = m_scale->text();
    form.leftMargin = m_left->text();
    form.topMargin = m_top->text();
    form.textSize = m_textSize->text();
    form.print = m_print->isChecked();
    form.labelKind = m_kind->currentIndex();
    form.textColor = m_textColor->Color();
    form.backgroundColor = m_backColor->Color();
    form.transparent = m_transparent->isChecked();
    form.autoSize = m_autoSize->isChecked();
    form.autoRotation = m_autoRotation->isChecked();
    form.labelLeft = m_labelLeft;
    form.labelTop = m_labelTop;
    return form;
}

void DlgTemplateSet::StartTemplateLoad()
{
    RunInBackground(
        this, [path = m_frameFile, paper = m_paper] { return PreparePreviewTemplate(path, paper); },
        [this](const PreviewTemplate &prepared) {
            m_template = prepared;
            m_templateDone = true;
            SuggestScaleWhenReady();
            Recompose();
        });
}

void DlgTemplateSet::PickSamplePhoto()
{
    const QString chosen = AskOpenFile(this, QStringLiteral("选择相片文件"), PathText(m_sourceFolder), ImageFileFilter());
    if (!chosen.isEmpty())
        ChooseSamplePhoto(chosen.toStdString());
}

void DlgTemplateSet::ChooseSamplePhoto(const std::filesystem::path &path)
{
    const int generation = ++m_sampleGeneration;
    m_samplePending = true;
    RunInBackground(
        this, [path] { return LoadPreviewSample(path, SampleDecodeLimit); },
        [this, generation](const std::optional<PreviewSample> &sample) {
            if (generation != m_sampleGeneration)
                return; // another photo was chosen meanwhile
            m_samplePending = false;
            if (!sample) {
                ShowNotice(this, QStringLiteral("无法读取这个相片文件。"));
                return;
            }
            m_sample = *sample;
            TemplateSettings settings = CurrentTemplateSettings.Get();
            settings.SampleImageWidth = m_sample.size.width();
            settings.SampleImageHeight = m_sample.size.height();
            CurrentTemplateSettings.Set(settings);
            m_suggestPending = true;
            SuggestScaleWhenReady();
            Recompose();
        });
}

void DlgTemplateSet::SuggestScaleWhenReady()
{
    if (!m_suggestPending || !m_templateDone || m_sample.pixels.isNull())
        return;
    m_suggestPending = false;
    // Without a template there is no window to fill and nothing to suggest.
    if (const auto scale = SuggestScale(m_template.size, m_sample.size, m_template.window))
        m_scale->setText(ScaleText(*scale));
}

void DlgTemplateSet::Recompose()
{
    if (m_template.atPaper.isNull()) {
        m_preview = QImage();
        return;
    }
    QRect photo;
    if (!m_sample.pixels.isNull()) {
        const TemplateSettings settings = SettingsFromForm(Form(), CurrentTemplateSettings.Get());
        photo = PreviewPhotoRect(m_sample.size, settings, m_paperWidthMm, m_paperHeightMm);
    }
    m_preview = ComposePreview(m_template, m_sample.pixels, photo);
    update(PreviewArea());
}

void DlgTemplateSet::RequestRepaints(int count)
{
    m_repaints = count;
}

void DlgTemplateSet::Tick()
{
    ++m_ticks;
    if (m_repaints > 0 && m_template.overPhoto) {
        update(PreviewArea());
        --m_repaints;
    }
    if (!m_labelPlaced && m_ticks >= LabelPlacingTick && m_templateDone)
        PlaceLabel();
}

void DlgTemplateSet::PlaceLabel()
{
    const SampleLabelPlace place = PlaceSampleLabel(m_labelLeft, m_labelTop, m_paper);
    m_labelLeft = place.labelLeft;
    m_labelTop = place.labelTop;
    m_label->move(PaperOrigin() + place.corner);
    m_labelPlaced = true;
    m_label->setVisible(m_print->isChecked());
}

void DlgTemplateSet::UpdateEnabling()
{
    const bool print = m_print->isChecked();
    for (QWidget *widget : std::initializer_list<QWidget *>{m_textColor, m_textSize, m_transparent})
        widget->setEnabled(print);
    m_backColor->setEnabled(print && !m_transparent->isChecked());
    m_label->setVisible(print && m_labelPlaced);
}

void DlgTemplateSet::ApplyLabelLook()
{
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, QColor(ColorFromStored(m_textColor->Color())));
    palette.setColor(QPalette::Window, QColor(ColorFromStored(m_backColor->Color())));
    m_label->setPalette(palette);
    m_label->setAutoFillBackground(!m_transparent->isChecked());
    // A colour chosen here is used by the compositions at once, before saving.
    TemplateSettings settings = CurrentTemplateSettings.Get();
    settings.TextColor = m_textColor->Color();
    settings.TextBgColor = m_backColor->Color();
    CurrentTemplateSettings.Set(settings);
}

void DlgTemplateSet::ResizeLabel()
{
    const int cell = LabelCellHeight(DecimalValue(m_textSize->text()));
    m_label->setFont(LabelFont(cell));
    m_label->resize(2 * cell, cell);
}

void DlgTemplateSet::Save()
{
    TemplateForm form = Form();
    const TemplateSettings current = CurrentTemplateSettings.Get();
    // A number outside its range is saved as the value used, and the field shows it.
    const QStringList changed = CheckTemplateForm(form, current);
    if (!changed.isEmpty()) {
        m_scale->setText(form.scale);
        m_left->setText(form.leftMargin);
        m_top->setText(form.topMargin);
        m_textSize->setText(form.textSize);
    }
    if (!SaveTemplateForm(form, {current.SampleImageWidth, current.SampleImageHeight})) {
        ShowNotice(this, QStringLiteral("保存设置失败，请检查 Config 文件夹能否写入。"));
        return;
    }
    if (form.print) {
        TemplateSettings settings = CurrentTemplateSettings.Get();
        settings.PrintPictureIdentification = form.labelKind;
        CurrentTemplateSettings.Set(settings);
        emit LabelKindSaved(form.labelKind);
    }
    LoadTemplateSettings();
    NewTemplateChosen = false;
    ReportTemplateSettings(changed);
    ShowNotice(this, (QStringList{QStringLiteral("成功保存设置。")} + changed).join(u'\n'));
}

void DlgTemplateSet::done(int result)
{
    m_timer->stop();
    ++m_sampleGeneration; // a sample still being read is dropped
    m_template = PreviewTemplate();
    m_sample = PreviewSample();
    m_preview = QImage();
    TemplateReloadRequested = true;
    QDialog::done(result);
}

void DlgTemplateSet::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    if (m_preview.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(PaperOrigin(), m_preview);
}

void DlgTemplateSet::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_label->isVisible() && m_label->geometry().contains(event->position().toPoint()))
        m_dragging = true;
    QDialog::mousePressEvent(event);
}

void DlgTemplateSet::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        m_label->move(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

void DlgTemplateSet::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (m_dragging) {
            // The label's corner on the paper is where the print puts it.
            const QPoint corner = event->position().toPoint();
            m_label->move(corner);
            m_labelLeft = corner.x() - PaperOrigin().x();
            m_labelTop = corner.y() - PaperOrigin().y();
            m_dragging = false;
        }
        RequestRepaints(RepaintsOnChange);
    }
    QDialog::mouseReleaseEvent(event);
}
