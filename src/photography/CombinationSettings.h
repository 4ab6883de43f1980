#pragma once

#include <QString>

#include <array>
#include <atomic>
#include <filesystem>
#include <optional>

// The interactive mode's settings, kept in Config/CombinationSeting.ini:
// the four multi-cell frame templates (one to four cells), the combination
// mode, the countdown's wait time and the camera brand.

// 0 "默认" (default), 1 "竖向双拼" (vertical double: every shot fills two cells).
inline std::atomic<int> CombinationMode{0};
// Seconds the countdown runs before a shot; 0 shoots at once.
inline std::atomic<int> CaptureWaitTime{0};
// Whether the photography page has drawn its template previews since the
// main window last showed it; the main window clears it to have them redrawn.
inline std::atomic<bool> CombinationPreviewsDrawn{false};

// Puts the three values above back as a program start finds them. For tests.
void ResetCombinationSettingsForTests();

inline constexpr int kCombinationVerticalDouble = 1;

struct CombinationSettings
{
    // Index 0 is the one-cell template; an absent path is empty.
    std::array<QString, 4> templatePaths;
    // Absent ("Error" or missing) when nothing usable is stored.
    std::optional<int> mode;
    std::optional<int> waitTime;
};

const std::filesystem::path &CombinationSettingsFile();

// Every value read whole, "Error" (also the fallback) counting as absent; numbers from their
// leading decimal digits.
CombinationSettings ReadCombinationSettings();
// The template path for `cells` (1 to 4) as stored; empty when absent.
QString ReadCombinationTemplate(int cells);

void WriteCombinationTemplate(int cells, const QString &path);
void WriteCombinationMode(int mode);
void WriteCaptureWaitTime(int seconds);
void WriteCameraVendor(int vendor);

// How many transparent windows the template for `cells` shots must have:
// twice as many for two and three shots in vertical double mode.
int ExpectedTemplateWindows(int cells, int mode);
