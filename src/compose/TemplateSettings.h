#pragma once

#include <QRgb>
#include <QString>
#include <QStringList>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>

// How a photo is scaled and placed in its frame and how its label is
// printed. Lengths are in 1/96 inch unless said otherwise; colours are
// stored values 0x00BBGGRR.
struct TemplateSettings final
{
    float Proportion = 0.5f;          // photo pixels x this = canvas pixels
    bool showNumber = true;           // print a label
    int LeftRec = 1;                  // photo's corner; both non-zero, else the default place
    int TopRec = 1;
    int TextSize = 10;                // label cell height = TextSize x 3.8 canvas pixels
    int TextColor = 0;
    int PrintPictureIdentification = 0; // 0 = photo name, 1 = picture number
    int TextBgColor = 16777215;
    bool TextBgTransparent = false;
    double TextLeftMargin = 1.0;      // both -1: the default place
    double TextTopMargin = 1.0;
    int SampleImageWidth = 0;         // pixels; 0 when no sample photo was chosen
    int SampleImageHeight = 0;
    bool AutoSizeForSampleImage = false;
    bool AutoRotationForSampleImage = false;

    bool operator==(const TemplateSettings &) const = default;
};

inline const std::filesystem::path TemplateSettingsFile{"Config/TemplateSeting.ini"};

// The settings in force. The composition thread takes a copy under
// pending_folder_cs; the settings dialog writes the two label colours and the
// sample size directly, so every access goes through this lock.
class TemplateSettingsStore final
{
public:
    TemplateSettings Get() const;
    void Set(const TemplateSettings &settings);

private:
    mutable std::mutex m_mutex;
    TemplateSettings m_settings;
};

inline TemplateSettingsStore CurrentTemplateSettings;

// Set by the print manager page when another frame template file is chosen or
// the paper size text changes; the settings dialog then opens with fresh
// defaults instead of the stored values. Cleared when the settings are saved.
inline std::atomic<bool> NewTemplateChosen{false};

// Raised when the settings dialog closes; the print manager page's timer
// answers it by reloading the settings file (LoadTemplateSettings clears it),
// which also drops unsaved colours and sample sizes the dialog applied early.
inline std::atomic<bool> TemplateReloadRequested{false};

// Puts the settings and flags above and the picture counter back as a
// program start finds them. For tests; no composition may run.
void ResetComposeStateForTests();

// Reads `file` over `settings`. A file without the key Proportion (or no file)
// changes nothing; otherwise every key is read, and a missing one reads as 0,
// 0.0, false or a background that is not transparent. A stored number outside
// its range (TemplateRanges) is brought into range, and a text that is no
// number keeps the value in `settings`; one message for each such key.
QStringList LoadTemplateSettings(TemplateSettings &settings, const std::filesystem::path &file = TemplateSettingsFile);

// The settings section's name in the file.
const QString &TemplateSettingsSection();

// The stored text of a key, or "Error" when the key is missing.
using TemplateSettingsLookup = std::function<QString(const QString &key)>;

// Reads stored texts over `settings` the way LoadTemplateSettings reads the file.
QStringList ReadTemplateSettings(TemplateSettings &settings, const TemplateSettingsLookup &lookup);

// Loads Config/TemplateSeting.ini into CurrentTemplateSettings and clears
// the reload request. Values not taken as stored are said through the
// report, once: a reload that finds the same file says nothing again.
void LoadTemplateSettings();

// Where messages about template settings go (the run log and the hint line);
// none until the print manager sets it.
using TemplateSettingsReport = std::function<void(const QString &text)>;
void SetTemplateSettingsReport(TemplateSettingsReport report);
// Says messages (the dialog's fields not taken as typed) through the report.
void ReportTemplateSettings(const QStringList &messages);

// The leading decimal number of a stored text, with "." as the point; a text
// that does not start with a number reads as 0.
double DecimalNumberValue(const QString &text);

// A stored colour 0x00BBGGRR as an opaque colour.
QRgb ColorFromStored(int stored);
