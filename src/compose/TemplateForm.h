#pragma once

#include "compose/TemplateSettings.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

// What the frame template settings dialog edits: its field texts as typed
// and its switches. The dialog is a view over one of these; filling,
// saving and the settings it stands for are worked out here.
struct TemplateForm final
{
    QString scale;      // Proportion
    QString leftMargin; // LeftRec
    QString topMargin;  // TopRec
    QString textSize;
    bool print = true;
    int labelKind = 0; // 0 = name, 1 = number
    int textColor = 0;
    int backgroundColor = 16777215;
    bool transparent = false;
    bool autoSize = false;
    bool autoRotation = false;
    // The label's top-left corner on the paper, 1/96 inch; (-1, -1) for the default place.
    double labelLeft = -1.0;
    double labelTop = -1.0;

    bool operator==(const TemplateForm &) const = default;
};

// The fields as the dialog opens: fresh defaults after another template or
// paper size was chosen, otherwise the settings in force. A stored label size
// of 0 with printing on becomes 13, in `settings` too.
TemplateForm FillTemplateForm(TemplateSettings &settings, bool newTemplateChosen);

// The text a margin field holds: the integer value of what was typed.
QString MarginText(const QString &typed);

// Checks the typed numbers against their ranges (TemplateRanges) before
// saving: a field not taken as typed gets the value used instead, a number
// outside its range the nearer end, a text that is no number the value in
// `inForce`. One message for each such field.
QStringList CheckTemplateForm(TemplateForm &form, const TemplateSettings &inForce);

// The settings that saving the form and loading the file again would give,
// starting from `base` (which keeps what the form does not write). The
// preview places everything by these, so it shows what will print.
TemplateSettings SettingsFromForm(const TemplateForm &form, TemplateSettings base);

// Writes the form as the section of the settings file, from scratch: keys the
// form does not write disappear. The sample size is written when both are
// above 0. The file is replaced in one step, so a crash leaves the old or the
// new settings, never part of them. False when it could not be written.
bool SaveTemplateForm(const TemplateForm &form, QSize sampleSize,
                      const std::filesystem::path &file = TemplateSettingsFile);

// The scale the dialog suggests for a sample photo so that the template's
// window is filled: `window` is the window's right and bottom edge in
// template pixels (not positive when unknown). Empty when a size is empty.
std::optional<double> SuggestScale(QSize templateSize, QSize sampleSize, QPoint window);

// The scale as the scale field shows it: two decimals.
QString ScaleText(double scale);

// The print manager page's caption of the reprint field after saving.
QString LabelKindCaption(int labelKind);
