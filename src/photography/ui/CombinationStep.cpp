#include "photography/ui/CombinationStep.h"

#include "compose/GridComposition.h"
#include "compose/ImageFiles.h"
#include "photography/CombinationCompose.h"
#include "photography/CombinationPrint.h"
#include "photography/CombinationSettings.h"
#include "photography/UiThreadWait.h"
#include "photography/ui/CombinationPreviewdlg.h"
#include "settings/SystemSettings.h"

#include <memory>

CaptureSequence::CombinationStep CombinationStepFor(PhotoQueue &queue)
{
    return [&queue](const std::vector<QString> &shots, UiThreadWait &ui) {
        const CombinationComposition composition = ComposeCombination(shots, CombinationMode, SystemSettings::PictureQuality());
        QImage picture = composition.composed ? LoadPhoto(GridOutputPath()) : QImage();
        // Shared with the work: a released wait returns while the dialog may still be open.
        auto copies = std::make_shared<int>(0);
        const bool ended = ui.run([&ui, copies, picture, problem = composition.problem] {
            CombinationPreviewdlg preview(picture, problem);
            ui.closeOnRelease([&preview] { preview.reject(); });
            preview.exec();
            *copies = preview.copies();
        });
        if (ended && composition.composed && *copies > 0)
            PrintCombination(GridOutputPath(), *copies, composition.shots, queue);
    };
}
