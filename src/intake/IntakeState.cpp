#include "intake/IntakeState.h"

#include "intake/KeptInPlace.h"
#include "intake/ReprintFeedState.h"
#include "intake/ReprintState.h"
#include "intake/SourceFolderScan.h"

void ResetIntakeStateForTests()
{
    SourceScanCount = 0;
    SourceScanStarted = false;
    SourceScanWalking = false;
    ComposeThreadCount = 0;
    QueueRebuilding = false;
    PendingScanCount = 0;
    PrintedNextIndex = 0;
    IdleSeconds = 0;
    PauseClicked = false;
    ReprintBacklogLow = true;
    HintResetPending = false;

    PriorityNext = false;
    ReprintWorkerBusy = false;
    ReprintWorkerCount = 0;
    CountEditActive = false;
    ReprintFileUnread = false;

    AutoReprintRunning = false;
    AutoReprintStop = false;
    AutoReprintCount = 0;
    PhoneReprintRunning = false;
    PhoneReprintStop = false;
    PhoneReprintCount = 0;

    ForgetKeptInPlace();
    ForgetUncomposable();
}
