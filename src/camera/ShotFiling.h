#pragma once

#include <atomic>
#include <filesystem>
#include <functional>

// Whether live view runs on the computer: set by "startEVF", cleared by
// "endEVF". It decides where a transferred shot goes: with live view on the
// shot is one of an interactive series and goes to TempPicture for review;
// with it off the camera is a tethered camera whose shots go straight to
// the print manager's photo source folder and are printed like any photo.
inline std::atomic<bool> LiveViewOn{false};

// Clears LiveViewOn, as a program start finds it. For tests.
inline void ResetShotFilingForTests()
{
    LiveViewOn = false;
}

// The folder that keeps the shots of an interactive series, in the program folder.
inline constexpr const char *kShotFolder = "TempPicture";

// What the program around the camera layer provides for filing shots.
struct ShotFiling
{
    // The print manager's photo source folder, asked at each transfer with live view off.
    std::function<std::filesystem::path()> sourceFolder;
    // Shows the review of a shot just filed in TempPicture (its full path).
    // Runs on the command processor's thread and returns when the review
    // has closed; no other camera command runs meanwhile.
    std::function<void(const std::filesystem::path &shot)> review;
    // Called on the user-interface thread when the session closes, before it
    // waits for the processor: a review shown or about to be shown must let
    // the processor go at once, or the close would wait for it for good.
    std::function<void()> endReview = {};
};
