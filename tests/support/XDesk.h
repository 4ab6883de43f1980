#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// A real X desktop for tests that use the program as a person does: an
// Xvfb server with the openbox window manager, and real pointer and key
// events sent through XTest (xdotool). Everything ends with the object.
class XDesk final
{
public:
    XDesk();
    XDesk(const XDesk &) = delete;
    XDesk &operator=(const XDesk &) = delete;
    ~XDesk();

    // Starts the server and the window manager; false with Failure() saying
    // why (a tool missing, no free display, the server refused).
    bool Start();
    QString Failure() const { return m_failure; }
    // The value of DISPLAY for programs on this desktop.
    QString Display() const { return m_display; }

    void Click(QPoint at) const;
    void DoubleClick(QPoint at) const;
    void Type(const QString &text) const;
    // Key names as xdotool takes them: "Return", "ctrl+a", "alt+F4".
    void Key(const QString &keys) const;
    // A picture of the whole screen (ImageMagick's import); false when it failed.
    bool Screenshot(const QString &path) const;

private:
    bool Run(const QString &program, const QStringList &arguments) const;

    QString m_display;
    QString m_failure;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
};

// The program's widget map (VELLORA_WIDGET_MAP), read back: where each
// widget and each list cell stands on the screen.
class WidgetMapFile final
{
public:
    struct Entry
    {
        QString kind;  // widget, item, check or focus
        QString klass; // widget: its class; item and check: the view's objectName
        QString name;  // widget: its objectName
        QString text;
        int row = -1;
        int column = -1;
        int checkState = -1;
        QRect rect;
        QPoint Centre() const { return rect.center(); }
    };

    explicit WidgetMapFile(QString path) : m_path(std::move(path)) {}
    QString Path() const { return m_path; }

    // The map as last written.
    std::vector<Entry> Read() const;
    // A visible widget by objectName.
    std::optional<Entry> Widget(const QString &objectName) const;
    // A visible widget of `klass` whose text starts with `text`.
    std::optional<Entry> WidgetWithText(const QString &klass, const QString &text) const;
    // A visible cell of the view whose text equals `text`.
    std::optional<Entry> Item(const QString &view, const QString &text) const;
    // A visible cell by row and column.
    std::optional<Entry> Cell(const QString &view, int row, int column) const;
    // The check box of a visible checkable cell.
    std::optional<Entry> CheckBox(const QString &view, int row, int column = 0) const;
    // The objectName of the widget with the keyboard focus; empty when none.
    QString Focus() const;

private:
    QString m_path;
};
