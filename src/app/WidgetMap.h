#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Where the program's widgets stand on the screen, for tests that drive the
// program with real mouse and keyboard events on an X server. Started only
// when VELLORA_WIDGET_MAP names a file: every quarter second the file is
// rewritten (whole, by rename) with one tab-separated line per visible widget
// and per visible cell of every list, in screen coordinates:
//
//   widget  <class> <objectName> <text> <x> <y> <width> <height>
//   item    <view objectName> <row> <column> <text> <check state or -1> <x> <y> <width> <height>
//   check   <view objectName> <row> <column> <check state> <x> <y> <width> <height>
//   focus   <class> <objectName>             (the widget with the keyboard focus)
//
// A widget's text is a button's, label's or field's text without its
// shortcut marks, or a window's title.
class WidgetMap final : public QObject
{
    Q_OBJECT

public:
    // Starts the map when the variable is set; nullptr otherwise.
    static WidgetMap *StartFromEnvironment(QObject *parent);

private:
    WidgetMap(const QString &path, QObject *parent);
    void Write() const;

    QString m_path;
    QTimer m_timer;
};
