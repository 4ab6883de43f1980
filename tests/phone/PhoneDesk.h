#pragma once

#include "tests/intake/PrintingWindow.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The desk over a private CUPS daemon and the phone companion beside it, in
// one program folder ("phone" its order folder, set as the desk's phone
// reprint folder), on a fixed day.
class PhoneDesk : public PrintingWindow
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A photo printed earlier today under its picture number.
    static void PutPrinted(const QString &name, int number);
    // The jobs the daemon received, as "TITLExCOPIES".
    QStringList Jobs() const;

    QByteArray m_tmpdir;
};
