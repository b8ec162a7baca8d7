#include "app/frmmain.h"
#include "app/documents.h"
#include "app/graphhostimpl.h"
#include "app/loggerhostimpl.h"

#include "gui/base/about.h"
#include "gui/base/dialogs.h"
#include "gui/base/helpwindow.h"
#include "gui/base/icons.h"
#include "app/linkhost.h"
#include "app/mdiarrange.h"
#include "app/mdikeeper.h"
#include "core/base/paths.h"
#include "core/base/settings.h"
#include "core/base/sleepinhibitor.h"
#include "gui/base/langapply.h"
#include "gui/logger/collection.h"
#include "gui/files/printing.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/window/realtime.h"
#include "gui/logger/loadcommand.h"
#include "gui/logger/transferwindow.h"
#include "gui/logger/list.h"
#include "gui/logger/tablegraph.h"

#include <QAction>
#include <QKeySequence>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QLayout>
#include <QScrollArea>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {
TfrmMain *g_mainWindow = nullptr;
}

TfrmMain *TfrmMain::Instance()
{
    return g_mainWindow;
}

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent)
{
    g_mainWindow = this;
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("QM738"));
    QFont f = font();
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    setFont(f);
    resize(966, 600);

    siLangDispatcher1 = new TsiLangDispatcher(this);

    // The frame's client area has no scroll bars of its own.
    MdiArea = new QMdiArea(this);
    MdiArea->setObjectName(QStringLiteral("MDIClient"));
    MdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MdiArea->setBackground(QColor(171, 171, 171));
    // Without scroll bars the area would ask for the room of its largest child
    // and the whole frame would grow past the screen: it takes what it is given.
    MdiArea->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    MdiArea->setMinimumSize(200, 150);
    setCentralWidget(MdiArea);
    // Every child window the program opens, or is handed, lies on screen.
    new TMdiKeeper(MdiArea);

    BuildMenus();
    BuildToolBar();
    BuildStatusBar();

    MainTimer = new QTimer(this);
    MainTimer->setObjectName(QStringLiteral("MainTimer"));
    MainTimer->setInterval(500);
    connect(MainTimer, &QTimer::timeout, this, &TfrmMain::MainTimerTimer);
    MaxMinTimer = new QTimer(this);
    MaxMinTimer->setObjectName(QStringLiteral("MaxMinTimer"));
    MaxMinTimer->setInterval(500);
    connect(MaxMinTimer, &QTimer::timeout, this, &TfrmMain::MaxMinTimerTimer);
    MaxMinTimer->start();

    Comm1 = new QSerialPort(this);
    Comm1->setObjectName(QStringLiteral("Comm1"));
    Comm1->setBaudRate(QSerialPort::Baud9600);
    Comm1->setDataBits(QSerialPort::Data8);
    Comm1->setParity(QSerialPort::NoParity);
    Comm1->setStopBits(QSerialPort::OneStop);
    // No hardware flow control: a cable that never drives CTS would hold every write.
    Comm1->setFlowControl(QSerialPort::NoFlowControl);

    // The meter link works on Comm1 and MainTimer.
    LinkHost = std::make_unique<TLinkHost>(*this);
    LoggerHostImpl = std::make_unique<TMainLoggerHost>(*this);
    SetLoggerHost(LoggerHostImpl.get());
    GraphHostImpl = std::make_unique<TMainGraphHost>(*this);
    SetGraphHost(GraphHostImpl.get());
#if QT_CONFIG(sessionmanager)
    // Logging out of the desktop asks the quit questions; Cancel stops the logout.
    // Without a chance to ask, the journal and the on-disk flag keep everything.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (!manager.allowsInteraction())
            return;
        const bool ok = AnswerLogout();
        manager.release();
        if (!ok)
            manager.cancel();
    });
#endif

    // Diagnostic labels that are never shown.
    lblerr = new QLabel(this);
    lblerr->setObjectName(QStringLiteral("lblerr"));
    lblerr->hide();
    for (int i = 1; i <= 11; ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("Label%1").arg(i));
        l->hide();
    }

    // Data Logger > Load over the link; its diagnostics go to the hidden labels.
    TransferWindow = std::make_unique<TTransferWindow>(this, [](const QString &key) { return GetTextOrDefault(key); });
    LoadCommand = std::make_unique<TLoadCommand>(LinkHost->Link, LinkHost->Supervisor, LinkHost->Discovery,
                                                 LinkHost->View);
    LoadCommand->SetMessageParent(this);
    LoadCommand->SetSelectedPort([this] { return ComboBoxDeviceName->currentText(); });
    SleepInhibitor = std::make_unique<TSleepInhibitor>();
    LoadCommand->SetKeepAwake([this](bool on) { SleepInhibitor->SetHeld(QStringLiteral("download"), on); });
    TTransferProgress progress = TransferWindow->Callbacks();
    progress.Diagnostic = [this](const QString &label, const QString &text) {
        if (auto *l = findChild<QLabel *>(label, Qt::FindDirectChildrenOnly))
            l->setText(text);
    };
    LoadCommand->Download().SetProgress(progress);

    FormCreate();
    siLang_frmMain = ApplyTranslation(this, QStringLiteral("frmMain"));
}

TfrmMain::~TfrmMain()
{
    if (g_mainWindow == this)
        g_mainWindow = nullptr;
    if (LoggerHost() == LoggerHostImpl.get())
        SetLoggerHost(nullptr);
    if (GraphHost() == GraphHostImpl.get())
        SetGraphHost(nullptr);
}

void TfrmMain::FormCreate()
{
    ReadSettings(State);
    LoadLcdBitmaps();
    FillPortList();
}

void TfrmMain::LoadLcdBitmaps()
{
    // A missing picture stops the loading of its set; the panel draws with what is there.
    ::LoadLcdBitmaps(LcdBitmaps, LcdSmallBitmaps);
}

void TfrmMain::FillPortList()
{
    LinkHost->Discovery.FillPortList(ListSerialPorts());
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_started) {
        m_started = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    State.UserFolder = SettleUserFolder(DocumentsFolder());
    // Floating-point exceptions are masked by default on x86-64 Linux: nothing traps,
    // so no mask needs setting here.
    State.RealTimeSpanStep = double(float(10.0 / 86400.0));

    CreateRealTimeGraphWindow();
    if (RealTimeGraphWindow)
        RealTimeGraph1->setChecked(true);
    if (QWidget *panel = CreatePanelWindow()) {
        PanelWindow = panel;
        ControlPanel1->setChecked(true);
        if (QWidget *frame = panel->parentWidget())
            frame->move(0, 0);
        if (RealTimeGraphWindow) {
            if (QWidget *gframe = RealTimeGraphWindow->parentWidget()) {
                gframe->move(panel->parentWidget() ? panel->parentWidget()->width() : panel->width(), 0);
                if (auto *sw = qobject_cast<QMdiSubWindow *>(gframe))
                    MdiArea->setActiveSubWindow(sw);
            }
        }
    }
    FitStartWindows();
    // Once the frame has its final size (tool bar and status bar laid out,
    // maximised), the start windows are fitted again to what is there.
    QTimer::singleShot(0, this, [this] { FitStartWindows(); });

    SetStatusText(1, GetTextOrDefault(QStringLiteral("IDS_4")));
    if (PanelWindow) {
        if (auto *link = PanelWindow->findChild<QWidget *>(QStringLiteral("ingBlutoothLink")))
            link->hide();
        if (auto *label = PanelWindow->findChild<QWidget *>(QStringLiteral("lblNoConnection")))
            label->show();
    }
    MainTimer->start();
    // What a crash left behind is offered back once the window is up.
    QTimer::singleShot(0, this, &TfrmMain::OfferRecoveries);
    if (frmAbout) {
        frmAbout->close();
        frmAbout->deleteLater();
        frmAbout = nullptr;
    }
}

void TfrmMain::FitStartWindows()
{
    // The panel as tall as the client area allows, the real-time graph beside it
    // filling the rest, so both fit the client area at start.
    const QSize area = MdiArea->viewport()->size();
    const int left = FitPanelWindow();
    if (RealTimeGraphWindow) {
        if (QWidget *frame = RealTimeGraphWindow->parentWidget()) {
            const int x = area.width() - left < 400 ? 0 : left;
            frame->setGeometry(x, 0, area.width() - x, area.height());
        }
    }
}

int TfrmMain::FitPanelWindow()
{
    QWidget *frame = PanelWindow ? PanelWindow->parentWidget() : nullptr;
    if (!frame)
        return 0;
    // The whole meter, scaled down in a low client area.
    const int height = std::clamp(MdiArea->viewport()->height(), PanelWindow->minimumHeight(), PanelWindow->maximumHeight());
    frame->resize(PanelWindow->sizeHint().width() * height / PanelWindow->sizeHint().height(), height);
    return frame->width();
}

QWidget *TfrmMain::CreatePanelWindow()
{
    TPanelHost host;
    host.State = &State;
    host.MainTimer = MainTimer;
    host.LcdBitmaps = &LcdBitmaps;
    host.LcdSmallBitmaps = &LcdSmallBitmaps;
    host.Blink = &PanelBlink;
    // Remote keys go over the meter link's USB transport, from its panel frame buffer.
    host.SendKeyCommand = [this](const uint8_t *frame) { return LinkHost->Link.SendKeyCommand(frame); };
    host.WaitWithMessages = [](int ms) { TMeterLink::WaitWithMessages(ms); };
    host.PanelFrame = LinkHost->Buffers.PanelFrame.bytes;
    host.Activated = [this] { btnOutputToGraph->setEnabled(false); };
    host.Closed = [this] {
        PanelWindow = nullptr;
        ControlPanel1->setChecked(false);
    };
    TfrmPanel *panel = TfrmPanel::Create(MdiArea, host);
    ApplyTranslation(panel, QStringLiteral("frmPanel"));
    return panel;
}

TfrmPanel *TfrmMain::Panel() const
{
    return qobject_cast<TfrmPanel *>(PanelWindow.data());
}

void TfrmMain::RenderPanel(const TLiveReading &reading)
{
    if (TfrmPanel *panel = Panel())
        panel->Render(reading);
}

QWidget *TfrmMain::CreateRealTimeGraphWindow()
{
    // Made in the frame, stored in RealTimeGraphWindow, View > Real Time Graph checked.
    return ::CreateRealTimeGraphWindow();
}

QMdiSubWindow *TfrmMain::AddChildWindow(QWidget *child)
{
    QMdiSubWindow *sw = MdiArea->addSubWindow(child);
    sw->setAttribute(Qt::WA_DeleteOnClose);
    child->setAttribute(Qt::WA_DeleteOnClose);
    return sw;
}

QWidget *TfrmMain::ActiveChild() const
{
    QMdiSubWindow *sw = MdiArea->activeSubWindow();
    return sw ? sw->widget() : nullptr;
}

void TfrmMain::WaitWhilePollBusy()
{
    while (State.PollBusy)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // A download in progress is stopped first (as its Cancel button would);
    // the window closes once the load has ended and handed the link back.
    if (LoadCommand && LoadCommand->LoadingData()) {
        m_closeAfterLoad = true;
        if (TransferWindow)
            TransferWindow->Cancel();
        event->ignore();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closing = true;
    FormClose();
    event->accept();
}

bool TfrmMain::FormCloseQuery()
{
    // Every question is asked before any window closes; Cancel keeps them all.
    if (!AskQuitQuestions())
        return false;
    for (QMdiSubWindow *sw : MdiArea->subWindowList()) {
        if (!sw->close()) {
            ForgetQuitAnswers();
            return false;
        }
    }
    return true;
}

QList<TfrmGraph *> TfrmMain::GraphsToAsk() const
{
    // The data-logger question comes first, then the real-time one.
    QList<TfrmGraph *> logger, realTime;
    for (QMdiSubWindow *sw : MdiArea->subWindowList()) {
        if (auto *graph = qobject_cast<TfrmGraph *>(sw->widget())) {
            if (graph->IsLoggerRole())
                logger << graph;
            else if (graph->IsRealTimeRole())
                realTime << graph;
        }
    }
    return logger + realTime;
}

bool TfrmMain::AskQuitQuestions()
{
    for (TfrmGraph *graph : GraphsToAsk()) {
        if (!graph->AskToClose()) {
            ForgetQuitAnswers();
            return false;
        }
    }
    return true;
}

bool TfrmMain::AnswerLogout()
{
    if (!AskQuitQuestions())
        return false;
    // The answers hold for this logout only. A program still running a while
    // later was not logged out (another program cancelled the logout): its
    // next close asks again.
    QTimer::singleShot(LogoutAnswersMs, this, [this] { ForgetQuitAnswers(); });
    return true;
}

void TfrmMain::ForgetQuitAnswers()
{
    for (TfrmGraph *graph : GraphsToAsk())
        graph->ForgetCloseAnswer();
}

void TfrmMain::OfferRecoveries()
{
    OfferRealTimeRecovery(this);
    OfferUnsavedDownload(State, this);
}

void TfrmMain::FormClose()
{
    WaitWhilePollBusy();
    MainTimer->stop();
    State.Connected = false;
    State.UsbLink = false;
    State.SerialLink = false;
    if (Comm1->isOpen())
        Comm1->close();
    WriteSettings(State);
    LcdBitmaps.clear();
    LcdSmallBitmaps.clear();
}

void TfrmMain::Exit1Click()
{
    // Exit takes the normal close path, so unsaved recordings are asked about
    // and the settings are written.
    close();
}

void TfrmMain::ControlPanel1Click()
{
    if (PanelWindow) {
        if (QWidget *frame = PanelWindow->parentWidget())
            frame->showNormal();
        ControlPanel1->setChecked(true);
        return;
    }
    if (QWidget *panel = CreatePanelWindow()) {
        PanelWindow = panel;
        if (QWidget *frame = panel->parentWidget())
            frame->move(0, 0);
        FitPanelWindow();
        ControlPanel1->setChecked(true);
        ShowLinkStateOnPanel();
    } else {
        ControlPanel1->setChecked(false);
    }
}

void TfrmMain::RealTimeGraph1Click()
{
    if (RealTimeGraphWindow) {
        if (QWidget *frame = RealTimeGraphWindow->parentWidget())
            frame->showNormal();
        RealTimeGraph1->setChecked(true);
        return;
    }
    CreateRealTimeGraphWindow();
    RealTimeGraph1->setChecked(bool(RealTimeGraphWindow));
}

void TfrmMain::Contents1Click()
{
    // The help page shows in the program's own window, so help works without a browser.
    const QString path = HelpFilePath();
    const int language = TsiLangDispatcher::Instance()->ActiveLanguage();
    if (!HelpWindow) {
        HelpWindow = new THelpWindow(this);
        HelpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!HelpWindow->OpenPage(path, language)) {
        delete HelpWindow.data();
        Dialogs::Message(this, Dialogs::Kind::Error, THelpWindow::MissingPageText(path, language));
        return;
    }
    if (!HelpWindow->isVisible()) {
        // Over the main window, near its top-right corner, and whole on the
        // screen, its title bar and borders included.
        const QRect frame = geometry();
        QRect screen = frame;
        if (QScreen *s = this->screen())
            screen = s->availableGeometry();
        const QRect area = frame.intersected(screen).isEmpty() ? screen : frame.intersected(screen);
        const int decoration = 40; // title bar and borders the window manager adds
        HelpWindow->setMinimumSize(0, 0);
        const int width = std::max(200, std::min(820, area.width() - 40));
        const int height = std::max(150, std::min(700, area.height() - 40 - decoration));
        HelpWindow->resize(width, height);
        const int x = std::max(area.left(), area.right() - width - 20);
        const int y = std::max(area.top(), std::min(area.top() + 40, area.bottom() - height - decoration));
        HelpWindow->move(x, y);
    }
    HelpWindow->show();
    HelpWindow->raise();
    HelpWindow->activateWindow();
}

void TfrmMain::About1Click()
{
    if (!AboutBox)
        AboutBox = new TfrmAbout(this);
    Dialogs::Exec(AboutBox);
    if (AboutBox)
        delete AboutBox.data();
    AboutBox = nullptr;
}

void TfrmMain::ShowLinkStateOnPanel()
{
    // A panel made again while a meter is connected shows the link as it is:
    // the link symbol only for a serial or Bluetooth link, "No Connection" only
    // without a meter.
    if (TfrmPanel *panel = Panel()) {
        panel->ingBlutoothLink->setVisible(State.Connected && State.SerialLink);
        panel->lblNoConnection->setVisible(!State.Connected);
    }
}

// The poll cycle and the blink tick are driven from here.
void TfrmMain::MainTimerTimer()
{
    LinkHost->Supervisor.MainTimerTimer();
}
void TfrmMain::MaxMinTimerTimer()
{
    PanelBlink.Tick(LiveReading, State.SerialLink, Panel());
}

// Commands of the file, recording, logger and link parts.
void TfrmMain::Open1Click()
{
    OpenDocument(this);
}

void TfrmMain::Save1Click()
{
    SaveDocument(ActiveChild());
}

QPrinter &TfrmMain::Printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        PreparePrinter(*m_printer, DialogFolder(State.UserFolder));
    }
    return *m_printer;
}

void TfrmMain::Print1Click()
{
    PrintDocument(ActiveChild(), Printer(), this);
}

void TfrmMain::PrinterSetup1Click()
{
    ShowPrinterSetup(Printer(), this);
}

void TfrmMain::btnRunClick()
{
    RealTimeRun();
}

void TfrmMain::btnStopClick()
{
    RealTimeStop(false);
}

void TfrmMain::LoadData1Click()
{
    if (!LoadCommand->LoadingData() && TransferWindow)
        TransferWindow->ResetCancel();
    LoadCommand->LoadData1Click();
    if (m_closeAfterLoad && !LoadCommand->LoadingData()) {
        m_closeAfterLoad = false;
        close();
    }
}
void TfrmMain::btnOutputToGraphClick()
{
    // Only a table window graphs; any other active window leaves the button without effect.
    if (auto *list = qobject_cast<TfrmList *>(ActiveChild()))
        GraphTableWindow(list);
}

// Port choice, search and disconnect of the meter link.
void TfrmMain::ComboBoxDeviceNameChange()
{
    LinkHost->Discovery.ComboBoxDeviceNameChange(ComboBoxDeviceName->currentText());
}

void TfrmMain::BitBtn1Click()
{
    LinkHost->Discovery.BitBtn1Click();
}

void TfrmMain::BitBtn2Click()
{
    LinkHost->Discovery.BitBtn2Click();
}
