#pragma once

#include "compose/TemplateForm.h"
#include "compose/TemplatePreview.h"

#include <QDialog>
#include <QImage>

#include <filesystem>

class ColorButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The frame template settings dialog: the fields of the template settings, a
// preview of the template on the paper at screen size with a sample photo,
// and a sample label the user drags to where the label should print.
// Decoding the template and the sample photo runs in the background; the
// preview is composed only when something it shows changes. Closing the
// dialog, saved or not, asks the print manager page to reload the settings file.
class DlgTemplateSet final : public QDialog
{
    Q_OBJECT

public:
    DlgTemplateSet(const std::filesystem::path &frameFile, const std::filesystem::path &sourceFolder,
                   int paperWidthMm, int paperHeightMm, QWidget *parent = nullptr);

    // Takes `path` as the sample photo, as if chosen with "相片文件": its size
    // becomes the sample size, and the scale field gets a suggestion.
    void ChooseSamplePhoto(const std::filesystem::path &path);

    // The fields as they stand.
    TemplateForm Form() const;

    // True when no image is being read in the background.
    bool ImagesReady() const { return m_templateDone && !m_samplePending; }
    // The paper's top-left corner in the dialog.
    QPoint PaperOrigin() const { return {PaperLeft, m_previewTop}; }
    QRect PreviewArea() const { return {PaperOrigin(), m_paper}; }
    const QImage &Preview() const { return m_preview; }
    QLabel *SampleLabel() const { return m_label; }
    // True once the sample label was put in its place, shortly after opening.
    bool LabelPlaced() const { return m_labelPlaced; }

signals:
    // The label kind just saved, for the print manager page's reprint field caption.
    void LabelKindSaved(int labelKind);

public slots:
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    static constexpr int PaperLeft = 5;

    void BuildControls();
    void ShowForm(const TemplateForm &form);
    void StartTemplateLoad();
    void PickSamplePhoto();
    void SuggestScaleWhenReady();
    void Recompose();
    void RequestRepaints(int count);
    void Tick();
    void PlaceLabel();
    void UpdateEnabling();
    void ApplyLabelLook();
    void ResizeLabel();
    void Save();

    std::filesystem::path m_frameFile;
    std::filesystem::path m_sourceFolder;
    int m_paperWidthMm;
    int m_paperHeightMm;
    QSize m_paper;
    int m_previewTop = 0;

    QPushButton *m_photoButton = nullptr;
    QLineEdit *m_scale = nullptr;
    QLineEdit *m_left = nullptr;
    QLineEdit *m_top = nullptr;
    QCheckBox *m_print = nullptr;
    QComboBox *m_kind = nullptr;
    ColorButton *m_textColor = nullptr;
    ColorButton *m_backColor = nullptr;
    QLineEdit *m_textSize = nullptr;
    QCheckBox *m_transparent = nullptr;
    QCheckBox *m_autoSize = nullptr;
    QCheckBox *m_autoRotation = nullptr;
    QPushButton *m_save = nullptr;
    QLabel *m_label = nullptr;
    QTimer *m_timer = nullptr;

    double m_labelLeft = -1.0;
    double m_labelTop = -1.0;
    bool m_labelPlaced = false;
    bool m_dragging = false;

    PreviewTemplate m_template;
    bool m_templateDone = false;
    PreviewSample m_sample;
    int m_sampleGeneration = 0;
    bool m_samplePending = false;
    bool m_suggestPending = false;
    QImage m_preview;

    int m_repaints = 0;
    int m_ticks = 0;
};
