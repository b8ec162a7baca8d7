#pragma once
// The main window: the multiple-document frame of the program and the owner
// of everything that lives for the whole run (state, timers, serial port,
// digit bitmaps, child window references).

#include "core/base/appstate.h"
#include "core/live/livereading.h"
#include "gui/graph/window/graph.h"
#include "gui/live/panel.h"
#include "core/logger/datasets.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QVector>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QSerialPort;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class TfrmAbout;
class TfrmGraph;
class THelpWindow;
class TLoadCommand;
class TTransferWindow;
struct TLinkHost;
class TMainGraphHost;
class TMainLoggerHost;
class TSleepInhibitor;
class TsiLang;
class TsiLangDispatcher;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The one main window of the process (null before it is made and after it is gone).
    static TfrmMain *Instance();

    // Process-wide state.
    TAppState State;
    TLiveReading LiveReading;            // the last decoded live reply
    QVector<QImage> LcdBitmaps;          // "LCD0".."LCD24", as far as they loaded
    QVector<QImage> LcdSmallBitmaps;     // "LCDS0".."LCDS24"
    TPanelBlink PanelBlink;              // blink phase of the panel's indicators

    // Child windows (null while closed).
    QPointer<QWidget> PanelWindow;
    QPointer<QWidget> RealTimeGraphWindow;
    QPointer<QWidget> LoggerGraphWindow;
    QPointer<TfrmAbout> AboutBox;
    QPointer<THelpWindow> HelpWindow;    // the help page, while it is open

    // Components other parts enable, disable and fill.
    QMdiArea *MdiArea = nullptr;
    QSerialPort *Comm1 = nullptr;
    QTimer *MainTimer = nullptr;
    QTimer *MaxMinTimer = nullptr;
    QToolBar *Panel1 = nullptr;
    QComboBox *ComboBoxDeviceName = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *btnPrint = nullptr;
    QToolButton *btnDataLogger = nullptr, *btnOutputToGraph = nullptr;
    QToolButton *btnRun = nullptr, *btnStop = nullptr;
    QToolButton *BitBtn1 = nullptr, *BitBtn2 = nullptr;
    QMenu *File1 = nullptr, *RealTime1 = nullptr, *DataLogger1 = nullptr;
    QMenu *View1 = nullptr, *Window1 = nullptr, *Help1 = nullptr;
    QAction *Open1 = nullptr, *Save1 = nullptr, *Print1 = nullptr, *PrinterSetup1 = nullptr;
    QAction *Exit1 = nullptr, *Run1 = nullptr, *Stop1 = nullptr, *LoadData1 = nullptr;
    QAction *ControlPanel1 = nullptr, *RealTimeGraph1 = nullptr;
    QAction *Tile1 = nullptr, *Cascade1 = nullptr, *Contents1 = nullptr, *About1 = nullptr;
    QLabel *lblerr = nullptr;
    TsiLangDispatcher *siLangDispatcher1 = nullptr;
    TsiLang *siLang_frmMain = nullptr;

    // The meter link: buffers, transports, supervisor and port discovery (app/linkhost.h).
    std::unique_ptr<TLinkHost> LinkHost;

    // The decoded logger data of the last successful decode, and the narrow
    // interface through which the logger, table and file code reach this window.
    TLoggerStore LoggerStore;
    std::unique_ptr<TMainLoggerHost> LoggerHostImpl;
    std::unique_ptr<TMainGraphHost> GraphHostImpl;

    // Data Logger > Load and its transfer progress window (the current frmScope).
    std::unique_ptr<TTransferWindow> TransferWindow;
    std::unique_ptr<TLoadCommand> LoadCommand;
    // Keeps the computer awake while a recording runs or a download is under way.
    std::unique_ptr<TSleepInhibitor> SleepInhibitor;
    // The one printer of the table printout and Printer Setup, made on first use.
    QPrinter &Printer();

    // Status bar: panel 0 (150 pixels) and panel 1 (the connection state).
    void SetStatusText(int panel, const QString &text);
    QString StatusText(int panel) const;

    // Puts a child window into the frame; the sub-window frees itself on close.
    QMdiSubWindow *AddChildWindow(QWidget *child);
    // The active child window's widget, or null.
    QWidget *ActiveChild() const;
    // Waits until no poll tick is under way, processing window messages.
    void WaitWhilePollBusy();

    // The front panel (PanelWindow as its class), or null while it is closed.
    TfrmPanel *Panel() const;
    // Paints the front panel from a decoded reading, when the panel exists.
    void RenderPanel(const TLiveReading &reading);

    // Tiled windows keep at least this height before they go into further columns.
    static constexpr int kTileMinHeight = 360;
    // The least plot height a tiled graph keeps; below it the tile leaves the
    // front panel out, then cascades.
    static constexpr int kTileMinPlotHeight = TfrmGraph::kMinPlotHeight;

    // The quit questions (data-logger, then real-time), asked before any
    // window closes; false at Cancel, every window kept as it was.
    bool AskQuitQuestions();
    // The quit questions at a desktop logout; the answers are forgotten after
    // LogoutAnswersMs when the program is still running then.
    bool AnswerLogout();
    int LogoutAnswersMs = 60000;
    // At start: recovers a real-time recording or a download a crash left.
    void OfferRecoveries();

    // True once FormShow has run.
    bool IsStarted() const { return m_started; }

public slots:
    void FormShow();
    void Exit1Click();
    void ControlPanel1Click();
    void RealTimeGraph1Click();
    void Tile1Click();
    void Cascade1Click();
    void Contents1Click();
    void About1Click();
    void MainTimerTimer();
    void MaxMinTimerTimer();

    // Commands routed to the parts that own them.
    void Open1Click();
    void Save1Click();
    void Print1Click();
    void PrinterSetup1Click();
    void btnRunClick();
    void btnStopClick();
    void LoadData1Click();
    void btnOutputToGraphClick();
    void ComboBoxDeviceNameChange();
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    bool FormCloseQuery();
    QList<TfrmGraph *> GraphsToAsk() const;
    void ForgetQuitAnswers();
    void FormClose();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void LoadLcdBitmaps();
    void FillPortList();
    void UpdateWindowMenu();
    QWidget *CreatePanelWindow();
    void ShowLinkStateOnPanel();
    void FitStartWindows();
    int FitPanelWindow(); // the panel's frame as tall as the area allows; returns its width
    QWidget *CreateRealTimeGraphWindow();

    QLabel *m_status[2] = {nullptr, nullptr};
    std::unique_ptr<QPrinter> m_printer;
    QVector<QAction *> m_windowActions;
    bool m_started = false;
    bool m_closing = false;
    bool m_closeAfterLoad = false;  // closing was asked while a download ran
};
