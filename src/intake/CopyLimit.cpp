#include "intake/CopyLimit.h"

#include "desk/RunLog.h"

int CutToCopyLimit(int copies, const QString &what)
{
    if (copies <= MaxCopies)
        return copies;
    WriteRunLog(QStringLiteral("补打张数超过上限:%1 %2").arg(what).arg(copies));
    return MaxCopies;
}
