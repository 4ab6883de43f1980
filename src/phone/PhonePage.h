#pragma once

#include <QByteArray>

// The guest's page: one self-contained HTML file (no scripts or fonts from
// elsewhere, so it works on a venue network without internet). It talks to
// the server by addresses relative to its own, which carries the event key.
QByteArray PhonePageHtml();
