#pragma once

#include <QIcon>

// The program's window icon: the installed icon when there is one, else a
// drawn stand-in.
QIcon ProgramIcon();
