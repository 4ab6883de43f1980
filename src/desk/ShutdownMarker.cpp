#include "desk/ShutdownMarker.h"

#include "desk/RunLog.h"
#include "desk/SysValues.h"

namespace {

const QString kSection = QStringLiteral("System");

} // namespace

bool OpenShutdownMarker()
{
    // A folder without a state file has had no run that could have crashed.
    const bool previousRunCrashed =
        SysFileExists() && ReadSysValue(kSection, QStringLiteral("Action")) != QStringLiteral("Close");
    WriteRunLog(QStringLiteral("打开软件"));
    WriteSysValue(kSection, QStringLiteral("Action"), QStringLiteral("Start"));
    return previousRunCrashed;
}

void RecordModesStopped()
{
    WriteSysValue(kSection, QStringLiteral("AutoAddPrint"), QStringLiteral("Stop"));
    WriteSysValue(kSection, QStringLiteral("PhoneAddPrint"), QStringLiteral("Stop"));
    WriteSysValue(kSection, QStringLiteral("AutoPrint"), QStringLiteral("Stop"));
    WriteSysValue(kSection, QStringLiteral("ChoosePrinter"), QStringLiteral("False"));
}

void CloseShutdownMarker()
{
    WriteRunLog(QStringLiteral("关闭软件"));
    WriteSysValue(kSection, QStringLiteral("Action"), QStringLiteral("Close"));
}
