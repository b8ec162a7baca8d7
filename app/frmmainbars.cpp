// The main window's menus, tool bar and status bar.
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
#include "core/base/paths.h"
#include "core/base/settings.h"
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
#include "gui/logger/archivewindow.h"
#include "gui/logger/archiving.h"

#include <QPrinter>
#include <QLayout>
#include <QScrollArea>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

void TfrmMain::BuildMenus()
{
    auto action = [this](QMenu *menu, const char *name, const QString &caption) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        menu->addAction(a);
        return a;
    };
    auto menu = [this](const char *name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
        return m;
    };

    File1 = menu("File1", QStringLiteral("&File"));
    Open1 = action(File1, "Open1", QStringLiteral("&Open"));
    Save1 = action(File1, "Save1", QStringLiteral("&Save"));
    Print1 = action(File1, "Print1", QStringLiteral("&Print"));
    PrinterSetup1 = action(File1, "PrinterSetup1", QStringLiteral("&Printer Setup"));
    File1->addSeparator();
    Exit1 = action(File1, "Exit1", QStringLiteral("E&xit"));
    Open1->setShortcut(QKeySequence::Open);
    Save1->setShortcut(QKeySequence::Save);
    Print1->setShortcut(QKeySequence::Print);
    Exit1->setShortcut(QKeySequence::Quit);

    RealTime1 = menu("RealTime1", QStringLiteral("Real Time"));
    Run1 = action(RealTime1, "Run1", QStringLiteral("Run"));
    Stop1 = action(RealTime1, "Stop1", QStringLiteral("Stop"));
    Run1->setEnabled(false);
    Stop1->setEnabled(false);

    DataLogger1 = menu("DataLogger1", QStringLiteral("&Data Logger"));
    LoadData1 = action(DataLogger1, "LoadData1", QStringLiteral("&Load "));
    DataLogger1->addSeparator();
    QAction *archive1 = action(DataLogger1, "Archive1", QStringLiteral("&Archive"));
    QAction *addToArchive1 = action(DataLogger1, "AddToArchive1", QStringLiteral("Add Collection to A&rchive"));
    connect(archive1, &QAction::triggered, this, [this] { ShowArchiveWindow(this); });
    connect(addToArchive1, &QAction::triggered, this, [this] { AddCollectionToArchive(this); });

    View1 = menu("View1", QStringLiteral("&View"));
    ControlPanel1 = action(View1, "ControlPanel1", QStringLiteral("&Control Panel"));
    RealTimeGraph1 = action(View1, "RealTimeGraph1", QStringLiteral("Real Time &Graph"));
    ControlPanel1->setCheckable(true);
    ControlPanel1->setChecked(true);
    RealTimeGraph1->setCheckable(true);
    RealTimeGraph1->setChecked(true);

    Window1 = menu("Window1", QStringLiteral("&Window"));
    Tile1 = action(Window1, "Tile1", QStringLiteral("&Tile"));
    Cascade1 = action(Window1, "Cascade1", QStringLiteral("&Cascade"));
    connect(Window1, &QMenu::aboutToShow, this, &TfrmMain::UpdateWindowMenu);

    Help1 = menu("Help1", QStringLiteral("&Help"));
    Contents1 = action(Help1, "Contents1", QStringLiteral("&Contents"));
    About1 = action(Help1, "About1", QStringLiteral("&About"));
    Contents1->setShortcut(QKeySequence::HelpContents); // F1, shown beside the item

    connect(Open1, &QAction::triggered, this, &TfrmMain::Open1Click);
    connect(Save1, &QAction::triggered, this, &TfrmMain::Save1Click);
    connect(Print1, &QAction::triggered, this, &TfrmMain::Print1Click);
    connect(PrinterSetup1, &QAction::triggered, this, &TfrmMain::PrinterSetup1Click);
    connect(Exit1, &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(Run1, &QAction::triggered, this, &TfrmMain::btnRunClick);
    connect(Stop1, &QAction::triggered, this, &TfrmMain::btnStopClick);
    connect(LoadData1, &QAction::triggered, this, &TfrmMain::LoadData1Click);
    connect(ControlPanel1, &QAction::triggered, this, &TfrmMain::ControlPanel1Click);
    connect(RealTimeGraph1, &QAction::triggered, this, &TfrmMain::RealTimeGraph1Click);
    connect(Tile1, &QAction::triggered, this, &TfrmMain::Tile1Click);
    connect(Cascade1, &QAction::triggered, this, &TfrmMain::Cascade1Click);
    connect(Contents1, &QAction::triggered, this, &TfrmMain::Contents1Click);
    connect(About1, &QAction::triggered, this, &TfrmMain::About1Click);
}

void TfrmMain::BuildToolBar()
{
    Panel1 = new QToolBar(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMovable(false);
    Panel1->setFloatable(false);
    Panel1->setFixedHeight(59);
    Panel1->setIconSize(QSize(32, 32));
    Panel1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, Panel1);

    auto button = [this](const char *name, const char *icon, const QString &hint) {
        auto *b = new QToolButton(Panel1);
        b->setObjectName(QLatin1String(name));
        b->setIcon(ToolIcon(QLatin1String(icon)));
        b->setIconSize(QSize(32, 32));
        b->setFixedSize(46, 46);
        b->setAutoRaise(true);
        b->setToolTip(hint);
        Panel1->addWidget(b);
        return b;
    };
    SpeedButton1 = button("SpeedButton1", "open", QStringLiteral("Open File"));
    SpeedButton2 = button("SpeedButton2", "save", QStringLiteral("Save to file"));
    btnPrint = button("btnPrint", "print", QStringLiteral("Print"));
    Panel1->addSeparator();
    btnDataLogger = button("btnDataLogger", "logger", QStringLiteral("Data Logger"));
    btnOutputToGraph = button("btnOutputToGraph", "tograph", QStringLiteral("Output Tabular to graph"));
    Panel1->addSeparator();
    btnRun = button("btnRun", "run", QStringLiteral("Start Graphing Real Time Data"));
    btnStop = button("btnStop", "stop", QStringLiteral("Stop Graphing Real Time Data"));
    Panel1->addSeparator();
    btnOutputToGraph->setEnabled(false);
    btnRun->setEnabled(false);
    btnStop->setEnabled(false);

    ComboBoxDeviceName = new QComboBox(Panel1);
    ComboBoxDeviceName->setObjectName(QStringLiteral("ComboBoxDeviceName"));
    ComboBoxDeviceName->setEditable(true);
    ComboBoxDeviceName->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxDeviceName->lineEdit()->setPlaceholderText(QStringLiteral("ComPort"));
    ComboBoxDeviceName->setMinimumWidth(170);
    Panel1->addWidget(ComboBoxDeviceName);
    BitBtn1 = button("BitBtn1", "search", QStringLiteral("search bluetooth device"));
    BitBtn2 = button("BitBtn2", "disconnect", QStringLiteral("disconnect bluetooth device"));

    connect(SpeedButton1, &QToolButton::clicked, this, &TfrmMain::Open1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TfrmMain::Save1Click);
    connect(btnPrint, &QToolButton::clicked, this, &TfrmMain::Print1Click);
    connect(btnDataLogger, &QToolButton::clicked, this, &TfrmMain::LoadData1Click);
    connect(btnOutputToGraph, &QToolButton::clicked, this, &TfrmMain::btnOutputToGraphClick);
    connect(btnRun, &QToolButton::clicked, this, &TfrmMain::btnRunClick);
    connect(btnStop, &QToolButton::clicked, this, &TfrmMain::btnStopClick);
    connect(BitBtn1, &QToolButton::clicked, this, &TfrmMain::BitBtn1Click);
    connect(BitBtn2, &QToolButton::clicked, this, &TfrmMain::BitBtn2Click);
    // A port picked from the list or typed and confirmed is probed at once.
    connect(ComboBoxDeviceName, &QComboBox::textActivated, this, &TfrmMain::ComboBoxDeviceNameChange);
}

void TfrmMain::BuildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel(StatusBar1);
        m_status[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        m_status[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_status[i]->setContentsMargins(4, 0, 4, 0);
    }
    m_status[0]->setFixedWidth(150);
    m_status[1]->setMinimumWidth(50); // the last panel takes the rest of the bar
    StatusBar1->addWidget(m_status[0], 0);
    StatusBar1->addWidget(m_status[1], 1);
}

void TfrmMain::SetStatusText(int panel, const QString &text)
{
    if (panel >= 0 && panel < 2)
        m_status[panel]->setText(text);
}

QString TfrmMain::StatusText(int panel) const
{
    return panel >= 0 && panel < 2 ? m_status[panel]->text() : QString();
}
