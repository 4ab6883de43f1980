#include "SavePrintInfo.h"

void SavePrintInfo(const QString &pictureName, int copies)
{
    // The print record files come with the reprint records; nothing is kept yet.
    Q_UNUSED(pictureName);
    Q_UNUSED(copies);
}
