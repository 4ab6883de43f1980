#pragma once

#include <QString>

class QWidget;

// The program's file and folder dialogs. They open large enough that a
// file's name, size, type and date show whole: at the toolkit's default size
// those columns were cut to "41....KiB" and "PN...ge". Empty when cancelled.

// An existing file, listed through `filter` in the toolkit's syntax.
QString AskOpenFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter);

// An existing folder; only folders are listed.
QString AskFolder(QWidget *parent, const QString &title);
