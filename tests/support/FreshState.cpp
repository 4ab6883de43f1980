#include "tests/support/FreshState.h"

#include "camera/ShotFiling.h"
#include "compose/TemplateSettings.h"
#include "desk/ProcessState.h"
#include "intake/IntakeState.h"
#include "photography/CombinationSettings.h"
#include "printing/WorkMode.h"
#include "settings/ReprintRules.h"
#include "settings/SystemSettings.h"

void ResetProcessWideState()
{
    ResetProcessStateForTests();
    ResetIntakeStateForTests();
    ResetWorkModeForTests();
    ResetComposeStateForTests();
    ResetShotFilingForTests();
    ResetCombinationSettingsForTests();
    SystemSettings::ResetToBuiltIns();
    SetReprintRules(ReprintRules{});
}
