#pragma once

#include <QRgb>

#include <atomic>
#include <filesystem>
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

// A new frame file or paper size was chosen since the settings were last saved.
inline std::atomic<bool> NewTemplateChosen{false};
// Raised when the template settings dialog closes; the print manager page's
// timer reloads the file, which clears it.
inline std::atomic<bool> TemplateReloadRequested{false};

// Reads `file` over `settings`. A file without the key Proportion (or no file)
// changes nothing; otherwise every key is read, and a missing one reads as 0,
// 0.0, false or a background that is not transparent. Values are not range-checked.
void LoadTemplateSettings(TemplateSettings &settings, const std::filesystem::path &file = TemplateSettingsFile);

// Loads Config/TemplateSeting.ini into CurrentTemplateSettings and clears the reload request.
void LoadTemplateSettings();

// A stored colour 0x00BBGGRR as an opaque colour.
QRgb ColorFromStored(int stored);
