#include "gui/graph/graph.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "gui/base/dialogs.h"
#include "core/base/paths.h"
#include "gui/base/langapply.h"
#include "gui/graph/graphfileio.h"
#include "gui/graph/graphhost.h"
#include "gui/graph/annoedit.h"
#include "gui/graph/graphicons.h"
#include "gui/graph/graphsetup.h"
#include "gui/graph/pesgraph.h"
#include "gui/graph/realtime.h"
#include "gui/graph/setupscale.h"
#include "core/graph/statistics.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include "gui/graph/flowlayout.h"

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

TAppState &GraphAppState()
{
    if (IGraphHost *host = GraphHost())
        return host->State();
    static TAppState alone;
    return alone;
}

static void ClearLoggerDataUnsaved(TAppState &st)
{
    if (IGraphHost *host = GraphHost())
        host->SetLoggerDataUnsaved(false);
    else
        st.LoggerDataUnsaved = false;
}

bool InsidePlotArea(const QRect &r, const QPoint &p)
{
    return p.x() >= r.left() && p.x() <= r.left() + r.width() && p.y() >= r.top()
           && p.y() <= r.top() + r.height();
}

namespace {

// AnnoColor holds a colour as 0x00BBGGRR.
QColor ColorFromAnno(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int AnnoFromColor(const QColor &c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

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

QString Fixed(const char *text) { return QString::fromLatin1(text); }

} // namespace

QString TfrmGraph::RealTimeCaption() { return QStringLiteral("Real-Time Graph"); }
QString TfrmGraph::LoggerCaption() { return QStringLiteral("DataLogger"); }

TfrmGraph::TfrmGraph(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmGraph"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(860, 600);
    BuildLayout();
    InitGraphControl();

    // FormCreate: the data-set list's titles and widths.
    static const char *titles[11] = {"Set", "DATE", "TIME", "Rate", "Nums", "Unit", "Couple",
                                     "RH Offset", "T1 Offset", "T2 Offset", ""};
    static const int widths[11] = {25, 60, 60, 65, 40, 40, 40, 60, 60, 60, 60};
    for (int c = 0; c < 11; ++c) {
        Grid2->setHorizontalHeaderItem(c, new QTableWidgetItem(QLatin1String(titles[c])));
        Grid2->setColumnWidth(c, widths[c]);
    }
    Grid2->setRowCount(1);
    for (int c = 0; c < 11; ++c)
        Grid2->setItem(0, c, new QTableWidgetItem(QString()));
    // Row 0 is the title row; the header shows the titles, the only cells
    // with grid lines. A row is clicked to graph its set.
    Grid2->setRowHidden(0, true);
    Grid2->setShowGrid(false);
    Grid2->viewport()->setCursor(Qt::PointingHandCursor);

    siLangLinked_frmGraph = ApplyTranslation(this, QStringLiteral("frmGraph"));
    // The table words one MIN label; the other two read the same.
    if (auto *min = findChild<QLabel *>(QStringLiteral("Label10"))) {
        for (const char *name : {"Label12", "Label3"})
            if (auto *other = findChild<QLabel *>(QLatin1String(name)))
                other->setText(min->text());
    }
}

TfrmGraph::~TfrmGraph()
{
    // A window freed without a close (its frame destroyed) still lets go of its references.
    if (!m_closed)
        FormClose();
}

bool TfrmGraph::IsRealTimeRole() const { return windowTitle() == RealTimeCaption(); }
bool TfrmGraph::IsLoggerRole() const { return windowTitle() == LoggerCaption(); }

QLineEdit *TfrmGraph::MaxEdit(int channel) const
{
    return channel == 0 ? txtRHMax : channel == 1 ? txtT1Max : txtT2Max;
}
QLineEdit *TfrmGraph::MinEdit(int channel) const
{
    return channel == 0 ? txtRHMin : channel == 1 ? txtT1Min : txtT2Min;
}
QLineEdit *TfrmGraph::AvgEdit(int channel) const
{
    return channel == 0 ? txtRHAvg : channel == 1 ? txtT1Avg : txtT2Avg;
}

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
    int columns = 0;
    for (int c = 0; c < Grid2->columnCount(); ++c)
        columns += Grid2->columnWidth(c);
    const int total = std::max(width(), 600);
    const int list = std::min(columns + 30, total * 60 / 100);
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
}

void TfrmGraph::Embed()
{
    if (IGraphHost *host = GraphHost())
        host->EmbedGraphWindow(this);
    else
        show();
}

// ---- creation, activation and closing ------------------------------------------

void TfrmGraph::WatchActivation(QMdiArea *area)
{
    // Activation of the frame's sub-window is this window's activation.
    if (m_watchedArea || !area)
        return;
    m_watchedArea = area;
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sw) {
        if (sw && sw->widget() == this)
            FormActivate();
    });
}

void TfrmGraph::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    if (!m_watchedArea) {
        for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
            if (auto *area = qobject_cast<QMdiArea *>(w)) {
                WatchActivation(area);
                break;
            }
        }
    }
    pnlGraphResize();
}

void TfrmGraph::FormShow()
{
    // Floating-point exceptions are masked by default on this platform; nothing to do.
    SetCursorMode(CursorModeNormal);
}

void TfrmGraph::FormActivate()
{
    if (IGraphHost *host = GraphHost())
        host->SetOutputToGraphEnabled(false);
}

void TfrmGraph::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (!m_closeAnswered && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The questions are answered: what was not saved is let go on purpose.
    TAppState &st = GraphAppState();
    if (IsLoggerRole())
        ClearLoggerDataUnsaved(st);
    if (IsRealTimeRole())
        DiscardRealTimeJournal();
    FormClose();
    event->accept();
}

bool TfrmGraph::AskToClose()
{
    m_closeAnswered = m_closeAnswered || FormCloseQuery();
    return m_closeAnswered;
}

bool TfrmGraph::FormCloseQuery()
{
    TAppState &st = GraphAppState();
    if (IsLoggerRole() && st.LoggerDataUnsaved) {
        const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Save DataLogger Data ?"),
                                            Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
        if (answer == Dialogs::Cancel)
            return false;
        if (answer == Dialogs::Yes) {
            st.LoggerDataUnsaved = false;
            // A save that did not happen (cancelled, failed) keeps the window and its data.
            if (!HostSaveDocument(this)) {
                st.LoggerDataUnsaved = true;
                return false;
            }
            ClearLoggerDataUnsaved(st);
        }
    }
    if (IsRealTimeRole() && st.RealTimeGraphUnsaved) {
        const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Save Real-Time Graph ?"),
                                            Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
        if (answer == Dialogs::Cancel)
            return false;
        st.RealTimeGraphUnsaved = false;
        if (answer == Dialogs::Yes && !HostSaveGraphAs(PESGraph1, this)) {
            st.RealTimeGraphUnsaved = true;
            return false;
        }
    }
    return true;
}

void TfrmGraph::FormClose()
{
    m_closed = true;
    TAppState &st = GraphAppState();
    IGraphHost *host = GraphHost();
    if (!host)
        return;
    if (host->LoggerGraphWindow() == this || (IsLoggerRole() && !host->LoggerGraphWindow()))
        host->SetLoggerGraphWindow(nullptr);
    if (host->RealTimeGraphWindow() == this) {
        host->SetRealTimeGraphWindow(nullptr);
        host->SetRunStopCommands(st.Connected, false);
        st.RealTimeRecording = false;
        st.RealTimePointCount = 0;
    }
}

// ---- data sets -------------------------------------------------------------------

void TfrmGraph::Grid2Click()
{
    // Grid2's rows are the data sets in order; the title row is the header.
    const int row = Grid2->currentRow();
    if (row < 0)
        return;
    QTableWidgetItem *date = Grid2->item(row, 1);
    if (date && !date->text().isEmpty())
        emit DataSetChosen(row);
}

// ---- tools -------------------------------------------------------------------------

void TfrmGraph::SetCursorMode(int mode)
{
    GraphAppState().GraphCursorMode = mode;
    switch (mode) {
    case CursorModeText:
        PESGraph1->setArrowCursor(PESGraph::CursorIBeam);
        ToolButton9->setChecked(true);
        break;
    case CursorModeCross:
        PESGraph1->setCustomCursor(GraphCrossCursor());
        ToolButton5->setChecked(true);
        break;
    default:
        PESGraph1->setArrowCursor(PESGraph::CursorArrow);
        ToolButton4->setChecked(true);
        break;
    }
}

void TfrmGraph::ToolButton1Click()
{
    pnlGraphStatistic->setVisible(ToolButton1->isChecked());
    pnlGraphResize();
}

void TfrmGraph::ToolButton2Click()
{
    const bool on = ToolButton2->isChecked();
    pnlStatistic->setVisible(on);
    PESGraph1->setShowLineAnnotations(on);
    PESGraph1->Redraw();
}

void TfrmGraph::ToolButton4Click() { SetCursorMode(CursorModeNormal); }
void TfrmGraph::ToolButton5Click() { SetCursorMode(CursorModeCross); }
void TfrmGraph::ToolButton9Click() { SetCursorMode(CursorModeText); }

void TfrmGraph::ToolButton15Click()
{
    TAppState &st = GraphAppState();
    QColor color = ColorFromAnno(st.AnnoColor);
    if (!Dialogs::ChooseColor(this, color))
        return;
    for (int i = 0; i <= st.LastAnnotationIndex; ++i)
        PESGraph1->setGraphAnnotationColor(i, color);
    st.AnnoColor = AnnoFromColor(color);
    PESGraph1->Redraw();
}

void TfrmGraph::tbntClrClick()
{
    const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Save Real-Time Graph ?"),
                                        Dialogs::Yes | Dialogs::No);
    // A save that did not happen keeps the recording.
    if (answer == Dialogs::Yes && !HostSaveGraphAs(PESGraph1, this))
        return;
    PESGraph1->sgUndoZoom();
    UndoZoom->setEnabled(false);
    ClearGraph();
    DiscardRealTimeJournal();
}

void TfrmGraph::UndoZoomClick()
{
    PESGraph1->sgUndoZoom();
    PESGraph1->sgResetImage();
    PESGraph1->sgInvalidateImage();
    UndoZoom->setEnabled(false);
}

void TfrmGraph::chkSplitClick()
{
    if (chkSplit->isChecked()) {
        PESGraph1->setMultiAxesSubsets(0, 1);
        PESGraph1->setMultiAxesSubsets(1, 2);
        PESGraph1->setMultiAxesSubsets(2, 2);
        PESGraph1->setMultiAxesProportions(0, 0.2);
        PESGraph1->setMultiAxesProportions(1, 0.4);
        PESGraph1->setMultiAxesProportions(2, 0.4);
        ToolButton5->setEnabled(false);
        ToolButton9->setEnabled(false);
        SetCursorMode(CursorModeNormal);
    } else {
        PESGraph1->resetMultiAxes();
        ToolButton5->setEnabled(true);
        ToolButton9->setEnabled(true);
    }
    PESGraph1->Redraw();
    PESGraph1->sgReinitAndReset();
}

void TfrmGraph::UpdateToolStates()
{
    const bool whole = PESGraph1->MultiAxesProportions(0) == 1.0;
    ToolButton5->setEnabled(whole);
    ToolButton9->setEnabled(whole);
    if (!whole && GraphAppState().GraphCursorMode != CursorModeNormal)
        SetCursorMode(CursorModeNormal);
}

void TfrmGraph::ApplyLoadedGraph()
{
    {
        const QSignalBlocker block(chkSplit);
        chkSplit->setChecked(PESGraph1->MultiAxesSubsets(1) != 0);
    }
    PESGraph1->setAllowDataLabels(0);
    PESGraph1->sgReinitAndReset();
    UpdateToolStates();
    PESGraph1->setAllowGraphAnnotHotSpots(true);
}

void TfrmGraph::chkRHClick()
{
    PESGraph1->clearRandomSubsetsToGraph();
    int position = 0;
    const QCheckBox *boxes[5] = {chkRH, chkT1, chkT2, chkWETBULB, chkDEWPOINT};
    for (int k = 0; k < 5; ++k)
        if (boxes[k]->isChecked())
            PESGraph1->setRandomSubsetsToGraph(position++, k);
    PESGraph1->Redraw();
    PESGraph1->sgReinitAndReset();
}

void TfrmGraph::Button1Click()
{
    const double minX = PESGraph1->ManualMinX();
    const double maxX = PESGraph1->ManualMaxX();
    PESGraph1->sgCustomize();
    PESGraph1->setManualScaleControlX(PESGraph::ScaleManualMinMax);
    PESGraph1->setManualMinX(minX);
    PESGraph1->setManualMaxX(maxX);
    PESGraph1->setWorkingAxis(0);
    PESGraph1->sgUndoZoom();
    UndoZoom->setEnabled(false);
    PESGraph1->Redraw();
}

void TfrmGraph::PESGraph1CustomizeDlg(int result)
{
    if (result != 1)
        return;
    if (Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Do you want to save the changes ?"),
                         Dialogs::Yes | Dialogs::No)
        == Dialogs::Yes)
        SaveGraphFile(PESGraph1, TemplateWritePath());
}

void TfrmGraph::btnChangeScaleClick()
{
    PESGraph1->setWorkingAxis(0);
    TfrmSetupScale dialog(this);
    dialog.edtT1Min->setText(QString::number(qint64(PESGraph1->ManualMinY())));
    dialog.edtT1Max->setText(QString::number(qint64(PESGraph1->ManualMaxY())));
    if (Dialogs::Exec(&dialog) != QDialog::Accepted)
        return;
    bool okMin = false, okMax = false;
    const int minY = dialog.edtT1Min->text().trimmed().toInt(&okMin);
    const int maxY = dialog.edtT1Max->text().trimmed().toInt(&okMax);
    if (!okMin || !okMax) {
        const QString bad = !okMin ? dialog.edtT1Min->text() : dialog.edtT1Max->text();
        Dialogs::Message(this, Dialogs::Kind::Error, bad + Fixed(" is invalid."));
        return;
    }
    PESGraph1->setWorkingAxis(0);
    PESGraph1->setManualScaleControlY(PESGraph::ScaleManualMinMax);
    PESGraph1->setManualMinY(minY);
    PESGraph1->setManualMaxY(maxY);
    PESGraph1->Redraw();
    if (dialog.chkSave->isChecked())
        SaveGraphFile(PESGraph1, TemplateWritePath());
}

void TfrmGraph::Button3Click()
{
    QFont font = pnlStatistic->font();
    if (!Dialogs::ChooseFont(this, font))
        return;
    pnlGraphStatistic->setFont(font);
    pnlStatistic->setFont(font);
}

// ---- sampling rate, clear ---------------------------------------------------------

void TfrmGraph::SetRateLists(int minutes, int seconds)
{
    const QSignalBlocker b1(ComboBox1);
    const QSignalBlocker b2(ComboBox2);
    ComboBox1->setCurrentIndex(minutes);
    ComboBox2->setCurrentIndex(seconds);
}

void TfrmGraph::ComboBox1Change()
{
    if (!IsRealTimeRole())
        return;
    TAppState &st = GraphAppState();
    int rate = std::max(0, ComboBox1->currentIndex()) * 60 + std::max(0, ComboBox2->currentIndex());
    if (rate == st.RealTimeRate)
        return;
    if (rate == 0) {
        SetRateLists(0, 2);
        rate = 2;
    }
    st.RealTimeRate = rate;
    if (st.RealTimeRecording || st.RealTimePointCount > 0) {
        const QString text = Fixed("Sampling Rate is being changed and it is recording Real-Time data or there are "
                                   "data in Real_Time graph.")
                             + Fixed("If you want to make new sampling rate effective,it have to reset the graph.\n")
                             + Fixed("Do you want to save the Real-Time graph ?");
        const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, text,
                                            Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
        if (answer == Dialogs::Cancel)
            return;
        st.RealTimeRecording = false;
        tbntClr->setEnabled(true);
        if (IGraphHost *host = GraphHost())
            host->SetRunStopCommands(true, false);
        if (answer == Dialogs::Yes)
            HostSaveGraphAs(PESGraph1, this);
    } else {
        st.RealTimeRecording = false;
        tbntClr->setEnabled(true);
        if (IGraphHost *host = GraphHost())
            host->SetRunStopCommands(true, false);
    }
    ClearGraph();
    PESGraph1->setLineGapThreshold(1e20);
    st.RealTimeSpanStep = 100.0 * rate / 86400.0;
    PESGraph1->setFocus();
}

void TfrmGraph::ClearGraph()
{
    TAppState &st = GraphAppState();
    for (int s = 0; s < PESGraph1->Subsets(); ++s)
        for (int p = 0; p < PESGraph1->Points(); ++p) {
            PESGraph1->setYData(s, p, 9999.0f);
            PESGraph1->setXDataII(s, p, 0.0);
        }
    txtDataNo->clear();
    for (int k = 0; k < 3; ++k) {
        MaxEdit(k)->clear();
        MinEdit(k)->clear();
        AvgEdit(k)->clear();
    }
    st.RealTimePointCount = 0;
    for (int i = 3; i <= st.LastAnnotationIndex; ++i) {
        PESGraph1->setGraphAnnotationX(i, 0.0);
        PESGraph1->setGraphAnnotationY(i, 0.0);
    }
    st.LastAnnotationIndex = 3;
    PESGraph1->Redraw();
}

namespace {
// A value text longer than its edit shows its start (the value), not its end.
void SetValueText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
}
} // namespace

void TfrmGraph::SetExtremeText(int channel, bool maximum, const QString &text)
{
    SetValueText(maximum ? MaxEdit(channel) : MinEdit(channel), text);
}

// ---- statistics -------------------------------------------------------------------

void TfrmGraph::ComputeGraphStatistics()
{
    const TGraphStatistics st = ::ComputeGraphStatistics(PESGraph1->model());
    SetRateLists(st.minutesIndex, st.secondsIndex);
    SetValueText(txtStartTime, st.startText);
    txtDataNo->setText(st.dataNoText);
    for (int k = 0; k < 3; ++k) {
        SetValueText(MaxEdit(k), st.maxText[k]);
        SetValueText(MinEdit(k), st.minText[k]);
        SetValueText(AvgEdit(k), st.avgText[k]);
    }
}

void TfrmGraph::Button2Click()
{
    static const char *labels[12] = {"Start Time:", "Sampling:", "Data No:", "RH MAX:", "RH MIN:", "RH AVG:",
                                     "T1 MAX:",     "T1 MIN:",   "T1 AVG:",  "T2 MAX:", "T2 MIN:", "T2 AVG:"};
    const QString values[12] = {txtStartTime->text(),
                                ComboBox1->currentText() + QLatin1Char(':') + ComboBox2->currentText(),
                                txtDataNo->text(),
                                txtRHMax->text(), txtRHMin->text(), txtRHAvg->text(),
                                txtT1Max->text(), txtT1Min->text(), txtT1Avg->text(),
                                txtT2Max->text(), txtT2Min->text(), txtT2Avg->text()};
    PESGraph *g = PESGraph1;
    g->setTARows(15);
    g->setTAColumns(2);
    g->setTAShow(true);
    for (int r = 0; r < 15; ++r) {
        g->setTAText(r, 0, r < 12 ? QLatin1String(labels[r]) : QString());
        g->setTAText(r, 1, r < 12 ? values[r] : QString());
        g->setTAColor(r, 1, PEargb(255, 255, 0, 0));
    }
    g->setTABackColor(PEargb(129, 255, 255, 255));
    g->setTAHeaderRows(false);
    g->setTAHeaderColumn(false);
    g->setTABorder(PESGraph::TABorderInset);
    g->setTATextSize(60);
    g->setTALocation(QPoint(550, 50));
    g->setTAMovable(true);
    g->Redraw();
}

// ---- the graph's events -----------------------------------------------------------

void TfrmGraph::pnlGraphResize()
{
    // The readout sits in the top-left corner of the plotting area, where it
    // hides neither the legend nor the axis texts; it shows once it has a text.
    Panel12->adjustSize();
    const QRect area = PESGraph1->plotAreaRect();
    const QPoint corner = area.isValid() && area.width() > Panel12->width()
                              ? PESGraph1->mapTo(pnlGraph, area.topLeft()) + QPoint(3, 3)
                              : PESGraph1->geometry().topLeft() + QPoint(2, 2);
    Panel12->move(corner);
    Panel12->setVisible(!Panel12->text().isEmpty());
    Panel12->raise();
}

bool TfrmGraph::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == pnlGraph && event->type() == QEvent::Resize) {
        pnlGraphResize();
        // The plot lays itself out after the resize: follow its plotting area.
        QTimer::singleShot(0, this, [this] { pnlGraphResize(); });
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmGraph::PESGraph1Click()
{
    TAppState &st = GraphAppState();
    const int mode = st.GraphCursorMode;
    if (mode != CursorModeText && mode != CursorModeCross)
        return;
    // Our pointers report their hot spot (the I-beam's middle, the cross's centre)
    // as the pointer position, so no offset is added.
    const QPoint pixel = PESGraph1->lastMousePosition();
    if (!InsidePlotArea(PESGraph1->plotAreaRect(), pixel))
        return;
    double x = 0, y = 0;
    if (!PESGraph1->pixelToGraph(QPointF(pixel), &x, &y, 0))
        return;
    QString text;
    if (mode == CursorModeText) {
        TfrmAnnoEdit editor(this);
        if (Dialogs::Exec(&editor) != QDialog::Accepted)
            return;
        text = editor.Edit1->text();
    }
    const int index = ++st.LastAnnotationIndex;
    PESGraph1->setGraphAnnotationType(index, mode == CursorModeText ? PESGraph::AnnotNoSymbol : PESGraph::AnnotCross);
    PESGraph1->setGraphAnnotationX(index, x);
    PESGraph1->setGraphAnnotationY(index, y);
    PESGraph1->setGraphAnnotationText(index, text);
    PESGraph1->setGraphAnnotationColor(index, ColorFromAnno(st.AnnoColor));
    PESGraph1->Redraw();
}

void TfrmGraph::PESGraph1MouseMove()
{
    const QPoint pixel = PESGraph1->lastMousePosition();
    if (!InsidePlotArea(PESGraph1->plotAreaRect(), pixel))
        return;
    double x = 0, y = 0;
    if (!PESGraph1->pixelToGraph(QPointF(pixel), &x, &y, 0))
        return;
    const bool first = Panel12->text().isEmpty();
    Panel12->setText(LocaleUtil::Fixed1(y) + QLatin1Char('@') + LocaleUtil::LongTime(x));
    if (first)
        pnlGraphResize();
    else
        Panel12->adjustSize();
}

void TfrmGraph::PESGraph1ZoomIn() { UndoZoom->setEnabled(true); }

void TfrmGraph::PESGraph1DataHotSpot(bool, int point, int subset)
{
    const double x = PESGraph1->XDataII(subset, point);
    const double y = PESGraph1->YData(subset, point);
    PESGraph1->setGraphAnnotationType(2, PESGraph::AnnotCross);
    PESGraph1->setGraphAnnotationColor(2, QColor(0, 0, 0));
    PESGraph1->setGraphAnnotationX(2, x);
    PESGraph1->setGraphAnnotationY(2, y);
    PESGraph1->setGraphAnnotationText(2, LocaleUtil::LongTime(x) + QLatin1Char('\r') + LocaleUtil::Fixed1(y));
    PESGraph1->Redraw();
}

void TfrmGraph::PESGraph1GraphHotSpot()
{
    PESGraph1->setToolTip(Fixed("Double click to delete."));
}

void TfrmGraph::PESGraph1GraphAnnotHotSpot(bool doubleClick, int index)
{
    if (!doubleClick)
        return;
    PESGraph1->setGraphAnnotationType(index, PESGraph::AnnotNoSymbol);
    PESGraph1->setGraphAnnotationText(index, QString());
    PESGraph1->Redraw();
}
