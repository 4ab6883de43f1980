#include "desk/ProcessState.h"

#include "desk/PrintThreadSlots.h"
#include "desk/PrinterTable.h"

QString SharedText::Get() const
{
    const std::lock_guard lock(m_mutex);
    return m_text;
}

void SharedText::Set(const QString &text)
{
    const std::lock_guard lock(m_mutex);
    m_text = text;
}

void ResetProcessStateForTests()
{
    AutoPrintRunning = false;
    AutoPrintActive = false;
    ManualMode = false;
    PrintCyclePhase = 0;
    PrintWorkersReady = false;
    DispatchBusy = false;
    CloseQuestionOpen = false;
    PrintersBusy = false;
    PrintingNow = false;
    SelectedPrinterCount = 0;
    NoPrinterEverChecked = true;
    NoPrinterChosen = true;
    ComposingNow = false;
    PendingQueueIdle = true;
    PrintedListReady = false;
    PrinterEnumerationRunning = false;
    PendingScanRunning = false;
    ReprintFileCount = 0;
    ReprintTotalCount = 0;
    ReprintListBusy = false;
    CaptureOnTop = false;
    PrintDelaySeconds = 2;
    PaperWidthMm = 0;
    PaperHeightMm = 0;
    ComposingName.Set(QString());
    PrintingName.Set(QString());

    PrinterTable.clear();
    PrintThreadHandles.reset();
    PrintThreadIds.reset();
    PrintThreadSlotCount = 0;
}
