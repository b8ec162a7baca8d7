#include "gui/graph/window/graph.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "gui/base/dialogs.h"
#include "core/base/paths.h"
#include "gui/base/langapply.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/graph/window/graphhost.h"
#include "gui/graph/window/annoedit.h"
#include "gui/graph/window/graphcustomize.h"
#include "gui/graph/window/graphicons.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "core/record/rtrecording.h"
#include "gui/graph/window/setupscale.h"
#include "core/graph/statistics.h"

#include <QAction>
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

using namespace GraphParts;

QColor GraphParts::ColorFromAnno(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int GraphParts::AnnoFromColor(const QColor &c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QString TfrmGraph::RealTimeCaption() { return QStringLiteral("Real-Time Graph"); }
QString TfrmGraph::LoggerCaption() { return QStringLiteral("DataLogger"); }

TfrmGraph::TfrmGraph(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmGraph"));
    setAttribute(Qt::WA_DeleteOnClose);
    InstallGraphCustomize(); // the engine's customisation dialog is the window's
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

void TfrmGraph::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The data-set list is sized when it is first shown, often before the
    // window has its final size: it keeps its columns whole as the window grows.
    if (pnlDataSets && pnlDataSets->isVisible())
        ShowDataSetPanel();
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
    TAppState &st = GraphAppState();
    // An answer covers the points there were when it was given.
    if (m_closeAnswered && IsRealTimeRole() && st.RealTimePointCount != m_answeredPoints)
        m_closeAnswered = false;
    if (!m_closeAnswered && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The questions are answered: what was not saved is let go on purpose,
    // but a download of which only one data set was saved stays unsaved.
    if (IsLoggerRole() && !m_downloadStillUnsaved)
        ClearLoggerDataUnsaved(st);
    if (IsRealTimeRole()) {
        RealTimeModel().Clear();
        st.RealTimeGraphUnsaved = false;
    }
    FormClose();
    event->accept();
}

bool TfrmGraph::AskToClose()
{
    if (!m_closeAnswered) {
        m_closeAnswered = FormCloseQuery();
        m_answeredPoints = GraphAppState().RealTimePointCount;
    }
    return m_closeAnswered;
}

bool TfrmGraph::FormCloseQuery()
{
    TAppState &st = GraphAppState();
    m_downloadStillUnsaved = false;
    if (IsLoggerRole() && st.LoggerDataUnsaved) {
        const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Save DataLogger Data ?"),
                                            Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
        if (answer == Dialogs::Cancel)
            return false;
        // A save that did not happen (cancelled, failed) keeps the window and
        // its data. Saving one data set as a graph leaves the download itself
        // unsaved: only saving the collection clears its flag.
        if (answer == Dialogs::Yes) {
            if (!HostSaveDocument(this))
                return false;
            m_downloadStillUnsaved = st.LoggerDataUnsaved;
        }
    }
    if (IsRealTimeRole() && st.RealTimeGraphUnsaved) {
        const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Save Real-Time Graph ?"),
                                            Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
        if (answer == Dialogs::Cancel)
            return false;
        if (answer == Dialogs::Yes) {
            if (!HostSaveGraphAs(PESGraph1, this))
                return false;
            st.RealTimeGraphUnsaved = false;
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

void TfrmGraph::ClearPointerReadout()
{
    if (!Panel12 || Panel12->text().isEmpty())
        return;
    Panel12->clear();
    Panel12->hide();
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
