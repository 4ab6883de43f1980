#pragma once

#include <QIcon>

// The program's window icon, drawn rather than shipped as a file.
QIcon ProgramIcon();
