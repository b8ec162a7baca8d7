#include "gui/graph/window/graph.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "gui/base/dialogs.h"
#include "core/base/paths.h"
#include "gui/base/langapply.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/graph/window/graphhost.h"
#include "gui/graph/window/annoedit.h"
#include "gui/graph/window/graphicons.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "core/record/rtrecording.h"
#include "gui/graph/window/setupscale.h"
#include "core/graph/statistics.h"

#include <QAction>
#include <qcustomplot.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include "gui/graph/window/flowlayout.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include "gui/graph/window/graphparts.h"

using namespace GraphParts;

namespace {

QStringList TwoDigitItems()
{
    QStringList items;
    for (int i = 0; i <= 60; ++i)
        items << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return items;
}

QFrame *Divider(QWidget *parent, const char *name = nullptr)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedWidth(8);
    if (name)
        line->setObjectName(QLatin1String(name));
    return line;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

// The raised strips and bars of the window.
QFrame *MakeRaisedPanel(QWidget *parent, const char *name)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    return f;
}

QLineEdit *MakeReadOnly(QWidget *parent, const char *name, int width)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(true);
    e->setMinimumWidth(width);
    return e;
}

} // namespace

// ---- layout ------------------------------------------------------------------

void TfrmGraph::BuildLayout()
{
    // Everything scrolls in a window smaller than the plot's minimum and the
    // panels around it; in a larger one the bars wrap and the plot takes the rest.
    auto *window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("sbxGraph"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(320, 240);
    window->addWidget(scroll);
    auto *content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("pnlContent"));
    scroll->setWidget(content);

    // The data-set list and the graph share the width through a splitter, so
    // the user can widen the list to see all its columns.
    auto *outer = new QHBoxLayout(content);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *splitter = new QSplitter(Qt::Horizontal, content);
    splitter->setObjectName(QStringLiteral("splDataSets"));
    splitter->setChildrenCollapsible(false);
    outer->addWidget(splitter);
    pnlDataSets = BuildDataSetPanel();
    splitter->addWidget(pnlDataSets);
    auto *rightPanel = new QWidget(splitter);
    splitter->addWidget(rightPanel);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);

    auto *right = new QVBoxLayout(rightPanel);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(BuildToolBar1());
    right->addWidget(BuildStatisticStrip());
    right->addWidget(BuildChannelBar());

    pnlGraph = new QFrame(this);
    pnlGraph->setObjectName(QStringLiteral("pnlGraph"));
    auto *graphLayout = new QVBoxLayout(pnlGraph);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    PESGraph1 = new PESGraph(pnlGraph);
    PESGraph1->setObjectName(QStringLiteral("PESGraph1"));
    PESGraph1->setMinimumSize(300, 200);
    // The widget's least height keeps a plot of kMinPlotHeight under the
    // legend and over the time labels, however many rows the legend takes.
    connect(PESGraph1->plot(), &QCustomPlot::afterReplot, this, [this] {
        const QRect area = PESGraph1->plotAreaRect();
        if (area.isEmpty())
            return;
        const int least = std::max(200, kMinPlotHeight + PESGraph1->height() - area.height());
        if (least != PESGraph1->minimumHeight())
            PESGraph1->setMinimumHeight(least);
    });
    graphLayout->addWidget(PESGraph1);
    Panel12 = new QLabel(pnlGraph);
    Panel12->setObjectName(QStringLiteral("Panel12"));
    Panel12->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel12->setAutoFillBackground(true);
    Panel12->setMinimumWidth(140);
    Panel12->setStyleSheet(QStringLiteral("QLabel#Panel12 { background: #ffffe1; color: black; }"));
    Panel12->hide();
    Panel12->setContentsMargins(4, 1, 4, 1);
    Panel12->setAttribute(Qt::WA_TransparentForMouseEvents);
    Panel12->raise();
    pnlGraph->installEventFilter(this);
    right->addWidget(pnlGraph, 1);

    right->addWidget(BuildStatisticPanel());
}

QFrame *TfrmGraph::BuildDataSetPanel()
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnlDataSets"));
    panel->setFrameStyle(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    StaticText1 = MakeLabel(panel, "StaticText1", Fixed("Data Sets"));
    QFont bold = StaticText1->font();
    bold.setBold(true);
    StaticText1->setFont(bold);
    layout->addWidget(StaticText1);
    Grid2 = new QTableWidget(1, 11, panel);
    Grid2->setObjectName(QStringLiteral("Grid2"));
    Grid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid2->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid2->verticalHeader()->hide();
    Grid2->verticalHeader()->setDefaultSectionSize(20);
    Grid2->setMinimumWidth(300);
    layout->addWidget(Grid2, 1);
    panel->hide();
    connect(Grid2, &QTableWidget::cellClicked, this, [this] { Grid2Click(); });
    return panel;
}

void TfrmGraph::ShowDataSetPanel()
{
    pnlDataSets->show();
    auto *splitter = qobject_cast<QSplitter *>(pnlDataSets->parentWidget());
    if (!splitter)
        return;
    if (!m_listSizeWatched) {
        // Until the user moves the divider, the list follows the window's size.
        m_listSizeWatched = true;
        connect(splitter, &QSplitter::splitterMoved, this, [this] { m_listSizedByUser = true; });
    }
    if (m_listSizedByUser)
        return;
    int columns = 0;
    for (int c = 0; c < Grid2->columnCount(); ++c)
        columns += Grid2->columnWidth(c);
    // The graph keeps room for its statistics side by side (560 pixels) while
    // the list keeps 40 %; a narrower list scrolls its columns.
    const int total = std::max(width(), 600);
    const int list = std::min(columns + 30, std::max(total - 560, total * 40 / 100));
    const QSignalBlocker quiet(splitter);
    splitter->setSizes({list, total - list});
}

QFrame *TfrmGraph::BuildToolBar1()
{
    ToolBar1 = MakeRaisedPanel(this, "ToolBar1");
    // The tools wrap onto a second row in a narrow window.
    auto *bar = new TFlowLayout(ToolBar1, 2, 2);
    bar->setContentsMargins(4, 2, 4, 2);

    auto tool = [this, bar](const char *name, const char *icon, const QString &hint, bool checkable) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(QLatin1String(name));
        b->setIcon(GraphToolIcon(QLatin1String(icon)));
        b->setIconSize(QSize(22, 22));
        b->setAutoRaise(true);
        b->setCheckable(checkable);
        b->setToolTip(hint);
        bar->addWidget(b);
        return b;
    };
    ToolButton1 = tool("ToolButton1", "stats", Fixed("Toggle Graph Statistic"), true);
    ToolButton1->setChecked(true);
    ToolButton2 = tool("ToolButton2", "linestats", Fixed("Toggle Line Cursor Statistic"), true);
    ToolButton2->setChecked(true);
    bar->addWidget(Divider(ToolBar1));
    ToolButton4 = tool("ToolButton4", "arrow", Fixed("Normal Cursor"), true);
    ToolButton5 = tool("ToolButton5", "cross", Fixed("Draw A Cross On Graph"), true);
    ToolButton9 = tool("ToolButton9", "text", Fixed("Text"), true);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    group->addButton(ToolButton4);
    group->addButton(ToolButton5);
    group->addButton(ToolButton9);
    ToolButton4->setChecked(true);
    ToolButton15 = tool("ToolButton15", "color", Fixed("Set Annotation Color"), false);
    bar->addWidget(Divider(ToolBar1));
    tbntSep3 = Divider(ToolBar1, "tbntSep3");
    bar->addWidget(tbntSep3);
    tbntSep3->hide();
    tbntClr = tool("tbntClr", "clear", Fixed("Clear"), false);
    tbntClr->hide();
    UndoZoom = tool("UndoZoom", "undozoom", Fixed("Undo Zoom"), false);
    UndoZoom->setEnabled(false);

    chkSplit = new QCheckBox(Fixed("Split"), ToolBar1);
    chkSplit->setObjectName(QStringLiteral("chkSplit"));
    chkSplit->hide();
    bar->addWidget(chkSplit);
    bar->addItem(new QSpacerItem(8, 1, QSizePolicy::Fixed, QSizePolicy::Minimum));

    auto button = [this, bar](const char *name, const QString &caption, const QString &hint) {
        auto *b = new QPushButton(caption, ToolBar1);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    Button1 = button("Button1", Fixed("Graph Option"), Fixed("Graph Customization"));
    btnChangeScale = button("btnChangeScale", Fixed("Y Axis"),
                            Fixed("set the maximum and minimum extent of the left y axis."));
    Button3 = button("Button3", Fixed("Font"), QString());

    connect(ToolButton1, &QToolButton::clicked, this, &TfrmGraph::ToolButton1Click);
    connect(ToolButton2, &QToolButton::clicked, this, &TfrmGraph::ToolButton2Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TfrmGraph::ToolButton4Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TfrmGraph::ToolButton5Click);
    connect(ToolButton9, &QToolButton::clicked, this, &TfrmGraph::ToolButton9Click);
    connect(ToolButton15, &QToolButton::clicked, this, &TfrmGraph::ToolButton15Click);
    connect(tbntClr, &QToolButton::clicked, this, &TfrmGraph::tbntClrClick);
    connect(UndoZoom, &QToolButton::clicked, this, &TfrmGraph::UndoZoomClick);
    connect(chkSplit, &QCheckBox::clicked, this, &TfrmGraph::chkSplitClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmGraph::Button1Click);
    connect(btnChangeScale, &QPushButton::clicked, this, &TfrmGraph::btnChangeScaleClick);
    connect(Button3, &QPushButton::clicked, this, &TfrmGraph::Button3Click);
    return ToolBar1;
}

QFrame *TfrmGraph::BuildStatisticStrip()
{
    pnlGraphStatistic = MakeRaisedPanel(this, "pnlGraphStatistic");
    auto *row = new TFlowLayout(pnlGraphStatistic);
    row->setContentsMargins(6, 3, 6, 3);
    // Each caption stays with its field; the groups wrap in a narrow window.
    auto group = [this, row](std::initializer_list<QWidget *> widgets) {
        auto *g = new QWidget(pnlGraphStatistic);
        auto *h = new QHBoxLayout(g);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(6);
        for (QWidget *w : widgets) {
            w->setParent(g);
            h->addWidget(w);
        }
        row->addWidget(g);
    };

    Label4 = MakeLabel(pnlGraphStatistic, "Label4", Fixed("Data No."));
    txtDataNo = MakeReadOnly(pnlGraphStatistic, "txtDataNo", 60);
    txtDataNo->setMaximumWidth(80);
    Label1 = MakeLabel(pnlGraphStatistic, "Label1", Fixed("Start Time"));
    txtStartTime = MakeReadOnly(pnlGraphStatistic, "txtStartTime", 150);
    Label5 = MakeLabel(pnlGraphStatistic, "Label5", Fixed("Sampling"));

    pnlSamplingRate = new QFrame(pnlGraphStatistic);
    pnlSamplingRate->setObjectName(QStringLiteral("pnlSamplingRate"));
    pnlSamplingRate->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto *rate = new QHBoxLayout(pnlSamplingRate);
    rate->setContentsMargins(4, 1, 4, 1);
    rate->setSpacing(3);
    Label17 = MakeLabel(pnlSamplingRate, "Label17", Fixed("Rate"));
    auto twoDigitList = [this](const char *name) {
        auto *list = new QComboBox(pnlSamplingRate);
        list->setObjectName(QLatin1String(name));
        list->addItems(TwoDigitItems());
        list->setMaxVisibleItems(15);
        return list;
    };
    ComboBox1 = twoDigitList("ComboBox1");
    ComboBox2 = twoDigitList("ComboBox2");
    rate->addWidget(Label17);
    rate->addWidget(ComboBox1);
    rate->addWidget(MakeLabel(pnlSamplingRate, "Label18", QStringLiteral(":")));
    rate->addWidget(ComboBox2);
    rate->addWidget(MakeLabel(pnlSamplingRate, "Label19", QStringLiteral("mm:ss")));
    pnlSamplingRate->setEnabled(false);

    Button2 = new QPushButton(Fixed("Show MAX/MIN on Graph"), pnlGraphStatistic);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);

    group({Label4, txtDataNo});
    group({Label1, txtStartTime});
    group({Label5, pnlSamplingRate});
    group({Button2});

    lblJournalStatus = MakeLabel(pnlGraphStatistic, "lblJournalStatus", QString());
    lblJournalStatus->setStyleSheet(QStringLiteral("QLabel { color: #a00000; font-weight: bold; }"));
    lblJournalStatus->setWordWrap(true);
    lblJournalStatus->setMinimumWidth(560);
    lblJournalStatus->hide();
    row->addWidget(lblJournalStatus);

    lblUnitNotice = MakeLabel(pnlGraphStatistic, "lblUnitNotice", QString());
    lblUnitNotice->setStyleSheet(QStringLiteral("QLabel { color: #a00000; font-weight: bold; }"));
    lblUnitNotice->setWordWrap(true);
    lblUnitNotice->hide();
    row->addWidget(lblUnitNotice);

    connect(ComboBox1, qOverload<int>(&QComboBox::currentIndexChanged), this, &TfrmGraph::ComboBox1Change);
    connect(ComboBox2, qOverload<int>(&QComboBox::currentIndexChanged), this, &TfrmGraph::ComboBox1Change);
    connect(Button2, &QPushButton::clicked, this, &TfrmGraph::Button2Click);
    return pnlGraphStatistic;
}

QFrame *TfrmGraph::BuildChannelBar()
{
    ToolBar2 = MakeRaisedPanel(this, "ToolBar2");
    auto *row = new TFlowLayout(ToolBar2, 14, 2);
    row->setContentsMargins(6, 2, 6, 2);
    auto box = [this, row](const char *name, const QString &caption) {
        auto *c = new QCheckBox(caption, ToolBar2);
        c->setObjectName(QLatin1String(name));
        c->setChecked(true);
        row->addWidget(c);
        connect(c, &QCheckBox::clicked, this, &TfrmGraph::chkRHClick);
        return c;
    };
    chkRH = box("chkRH", Fixed("RH"));
    chkT1 = box("chkT1", Fixed("T1"));
    chkT2 = box("chkT2", Fixed("T2"));
    chkWETBULB = box("chkWETBULB", Fixed("WET BULB"));
    chkDEWPOINT = box("chkDEWPOINT", Fixed("DEW POINT"));
    return ToolBar2;
}

QFrame *TfrmGraph::BuildStatisticPanel()
{
    pnlStatistic = MakeRaisedPanel(this, "pnlStatistic");
    // One group per channel: the labels and their edits, rows MAX, MIN, AVG.
    // The groups share the width and wrap under each other in a narrow window.
    auto *flow = new TFlowLayout(pnlStatistic, 16, 3);
    flow->setContentsMargins(6, 4, 6, 4);
    flow->setFillRows(true);

    struct Names { const char *maxLabel, *minLabel, *avgLabel; const char *maxText; };
    const Names names[3] = {{"Label11", "Label12", "Label13", "RHMAX "},
                            {"Label2", "Label3", "Label8", "T1 MAX "},
                            {"Label7", "Label10", "Label9", "T2 MAX "}};
    const char *edits[3][3] = {{"txtRHMax", "txtRHMin", "txtRHAvg"},
                               {"txtT1Max", "txtT1Min", "txtT1Avg"},
                               {"txtT2Max", "txtT2Min", "txtT2Avg"}};
    QLineEdit **targets[3][3] = {{&txtRHMax, &txtRHMin, &txtRHAvg},
                                 {&txtT1Max, &txtT1Min, &txtT1Avg},
                                 {&txtT2Max, &txtT2Min, &txtT2Avg}};
    // Wide enough for a whole extreme: value, date and time.
    const int statisticWidth =
        std::max(150, fontMetrics().horizontalAdvance(ExtremeText(1, -388.8f, 45822.99956)) + 24);
    for (int ch = 0; ch < 3; ++ch) {
        auto *group = new QWidget(pnlStatistic);
        group->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        auto *grid = new QGridLayout(group);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(3);
        grid->addWidget(MakeLabel(group, names[ch].maxLabel, QLatin1String(names[ch].maxText)), 0, 0,
                        Qt::AlignRight);
        grid->addWidget(MakeLabel(group, names[ch].minLabel, Fixed("MIN")), 1, 0, Qt::AlignRight);
        grid->addWidget(MakeLabel(group, names[ch].avgLabel, Fixed("AVG")), 2, 0, Qt::AlignRight);
        for (int r = 0; r < 3; ++r) {
            QLineEdit *e = MakeReadOnly(group, edits[ch][r], statisticWidth);
            *targets[ch][r] = e;
            grid->addWidget(e, r, 1);
        }
        grid->setColumnStretch(1, 1);
        flow->addWidget(group);
    }
    for (int ch = 0; ch < 3; ++ch)
        AvgEdit(ch)->setText(QStringLiteral("***.* "));
    return pnlStatistic;
}

void TfrmGraph::InitGraphControl()
{
    InitGraphDefaults(PESGraph1);
    connect(PESGraph1, &PESGraph::OnClick, this, &TfrmGraph::PESGraph1Click);
    connect(PESGraph1, &PESGraph::OnMouseMove, this, &TfrmGraph::PESGraph1MouseMove);
    connect(PESGraph1, &PESGraph::OnZoomIn, this, &TfrmGraph::PESGraph1ZoomIn);
    connect(PESGraph1, &PESGraph::OnDataHotSpot, this, &TfrmGraph::PESGraph1DataHotSpot);
    connect(PESGraph1, &PESGraph::OnGraphHotSpot, this, &TfrmGraph::PESGraph1GraphHotSpot);
    connect(PESGraph1, &PESGraph::OnGraphAnnotHotSpot, this, &TfrmGraph::PESGraph1GraphAnnotHotSpot);
    connect(PESGraph1, &PESGraph::OnCustomizeDlg, this, &TfrmGraph::PESGraph1CustomizeDlg);
    connect(PESGraph1, &PESGraph::OnDataReplaced, this, &TfrmGraph::ClearPointerReadout);
}

