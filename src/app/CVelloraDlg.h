#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class PrinterListModel;
class PrinterRegistry;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class Scene_Print_Manager;
class ScreenSaver;
class Spooler;
class Take_Pictures;

// The program's only top-level window: three tab pages above the printer
// list and a status line. It owns the two one-second timers that drive the
// printer refresh, crash recovery and the status line, and the orderly exit.
class CVelloraDlg final : public QDialog
{
    Q_OBJECT

public:
    // How the orderly exit ends the process; tests replace it.
    using EndProcess = std::function<void()>;

    explicit CVelloraDlg(EndProcess endProcess = {}, QWidget *parent = nullptr);
    ~CVelloraDlg() override;

    // The print manager page's hint when the spooler lists no printer at all.
    static const QString &NoPrinterHint();

    QTabWidget *Tabs() const { return m_tabs; }
    QTableView *PrinterList() const { return m_printerList; }
    QStatusBar *StatusBar() const { return m_statusBar; }
    PrinterListModel &Printers() const { return *m_printers; }
    PrinterRegistry &Registry() const { return *m_registry; }
    Scene_Print_Manager &PrintManagerPage() const { return *m_printManager; }
    Take_Pictures &PhotographyPage() const { return *m_photography; }

    bool RecoveryPending() const { return m_recoveryPending; }
    int TickCount() const { return m_tickCount; }

    // One tick of timer 1; public so tests can drive the window tick by tick.
    void OnTimer1();
    void UpdateStatusLine();
    void UpdateSetupGuidance();

    // Enter and Esc never close the window.
    void accept() override {}
    void reject() override {}

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void LoadSettings();
    void CreateControls();
    void CreateTabs();
    void CreatePrinterList();
    void StartTimers();
    void CreateStatusBar();
    void LayOut();
    void OnTabChanged(int index);
    void OnRefreshKey();
    bool AskToQuit();
    void ExitInOrder();
    void ShowAbout();

    EndProcess m_endProcess;
    PrinterListModel *m_printers = nullptr;
    QTabWidget *m_tabs = nullptr;
    Scene_Print_Manager *m_printManager = nullptr;
    Take_Pictures *m_photography = nullptr;
    QTableView *m_printerList = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QTimer *m_timer1 = nullptr;
    QTimer *m_timer2 = nullptr;
    std::unique_ptr<ScreenSaver> m_screenSaver;
    // The registry's workers use the spooler: the registry goes first.
    std::shared_ptr<Spooler> m_spooler; // shared with the print jobs
    std::unique_ptr<PrinterRegistry> m_registry;
    bool m_recoveryPending = false;
    int m_tickCount = 0;
};
