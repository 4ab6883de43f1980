#pragma once

#include "camera/ShotFiling.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class CameraShootDlg;
class QObject;
class UiThreadWait;

// The interactive road around one camera window: the countdown before each
// shot, and after each shot's transfer the review, shown on the
// user-interface thread while the command processor waits for it, then, when
// the user stops shooting, the combination step with the chosen shots (still
// on the processor's thread, so no camera command runs meanwhile).
class CaptureSequence final
{
public:
    // Runs on the processor's thread with one to four shots; shows its own
    // dialogs through `ui`, which the session's close releases.
    using CombinationStep = std::function<void(const std::vector<QString> &shots, UiThreadWait &ui)>;

    // `ui` lives on the user-interface thread.
    CaptureSequence(QObject *ui, CombinationStep combination);
    ~CaptureSequence();

    // What the camera session files shots with: the print manager's source
    // folder, the review, and its release when the session closes.
    ShotFiling filing();

    // "拍照": no keeping on top from now on, the countdown of the wait time
    // (none for 0), then the picture.
    static void Shoot(CameraShootDlg &window);

private:
    static void Review(const std::shared_ptr<UiThreadWait> &ui, const CombinationStep &combination,
                       const std::filesystem::path &shot);

    std::shared_ptr<UiThreadWait> m_ui;
    CombinationStep m_combination;
};
