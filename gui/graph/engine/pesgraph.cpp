#include "gui/graph/engine/pesgraph.h"

#include "core/graph/graphmodel.h"
#include "gui/graph/engine/graphview.h"

#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>
#include <qcustomplot.h>
#include <algorithm>
#include <cmath>

namespace {
PESGraph::CustomizeOpener &customizeOpener()
{
    static PESGraph::CustomizeOpener opener;
    return opener;
}
PESGraph::PrintHook &printHook()
{
    static PESGraph::PrintHook hook;
    return hook;
}
} // namespace

PESGraph::PESGraph(QWidget *parent)
    : QWidget(parent), m(std::make_unique<TGraphModel>())
{
    view = std::make_unique<TGraphView>(this, m.get());
    connect(view.get(), &TGraphView::clicked, this, &PESGraph::OnClick);
    connect(view.get(), &TGraphView::mouseMoved, this, &PESGraph::OnMouseMove);
    connect(view.get(), &TGraphView::zoomedIn, this, &PESGraph::OnZoomIn);
    connect(view.get(), &TGraphView::dataHotSpot, this, &PESGraph::OnDataHotSpot);
    connect(view.get(), &TGraphView::graphHotSpot, this, &PESGraph::OnGraphHotSpot);
    connect(view.get(), &TGraphView::annotationHotSpot, this, &PESGraph::OnGraphAnnotHotSpot);
    connect(view.get(), &TGraphView::tableMoved, this, &PESGraph::setTALocation);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view->plotWidget());
    setFocusProxy(view->plotWidget());
    applyCursor();
}

PESGraph::~PESGraph() = default;

// ---- shape -----------------------------------------------------------------

int PESGraph::Subsets() const { return m->subsets; }
void PESGraph::setSubsets(int count)
{
    m->setSubsets(std::clamp(count, 0, kMaxSubsets));
    view->markLayoutDirty();
    emit OnDataReplaced();
}
int PESGraph::Points() const { return m->points; }
void PESGraph::setPoints(int count)
{
    m->setPoints(std::clamp(count, 0, kMaxPoints));
    view->markDataDirty();
    emit OnDataReplaced();
}

// ---- data ------------------------------------------------------------------

static bool validCell(const TGraphModel &m, int s, int p)
{
    return s >= 0 && s < m.subsets && p >= 0 && p < m.points;
}

double PESGraph::XDataII(int subset, int point) const
{
    return validCell(*m, subset, point) ? m->x[subset][point] : 0.0;
}
void PESGraph::setXDataII(int subset, int point, double x)
{
    if (!validCell(*m, subset, point))
        return;
    m->x[subset][point] = x;
    view->markDataDirty(subset);
}
float PESGraph::YData(int subset, int point) const
{
    return validCell(*m, subset, point) ? m->y[subset][point] : float(m->nullY);
}
void PESGraph::setYData(int subset, int point, float y)
{
    if (!validCell(*m, subset, point))
        return;
    m->y[subset][point] = y;
    view->markDataDirty(subset);
}
double PESGraph::YDataII(int subset, int point) const { return double(YData(subset, point)); }
void PESGraph::setYDataII(int subset, int point, double y) { setYData(subset, point, float(y)); }

int PESGraph::LoadXData(const double *values, qsizetype count)
{
    if (!values || m->subsets == 0 || count <= 0)
        return 0;
    const int n = int(std::min<qsizetype>(count / m->subsets, m->points));
    for (int s = 0; s < m->subsets; ++s) {
        double *dst = m->x[s].data();
        for (int p = 0; p < n; ++p)
            dst[p] = values[qsizetype(p) * m->subsets + s];
    }
    view->markDataDirty();
    emit OnDataReplaced();
    return n;
}
int PESGraph::LoadYData(const float *values, qsizetype count)
{
    if (!values || m->subsets == 0 || count <= 0)
        return 0;
    const int n = int(std::min<qsizetype>(count / m->subsets, m->points));
    for (int s = 0; s < m->subsets; ++s) {
        float *dst = m->y[s].data();
        for (int p = 0; p < n; ++p)
            dst[p] = values[qsizetype(p) * m->subsets + s];
    }
    view->markDataDirty();
    emit OnDataReplaced();
    return n;
}
double PESGraph::NullDataValueY() const { return m->nullY; }
void PESGraph::setNullDataValueY(double value)
{
    m->nullY = value;
    view->markDataDirty();
}

// ---- subsets ---------------------------------------------------------------

QString PESGraph::SubsetLabels(int subset) const { return m->labels.value(subset); }
void PESGraph::setSubsetLabels(int subset, const QString &label)
{
    if (subset < 0 || subset >= m->subsets)
        return;
    m->labels[subset] = label;
    view->markLookDirty();
}
QColor PESGraph::SubsetColors(int subset) const { return m->colors.value(subset); }
void PESGraph::setSubsetColors(int subset, const QColor &color)
{
    if (subset < 0 || subset >= m->subsets)
        return;
    m->colors[subset] = color;
    view->markLookDirty();
}
int PESGraph::SubsetLineWidth(int subset) const { return m->lineWidths.value(subset, 1); }
void PESGraph::setSubsetLineWidth(int subset, int width)
{
    if (subset < 0 || subset >= m->subsets)
        return;
    m->lineWidths[subset] = std::clamp(width, 0, 20);
    view->markLookDirty();
}
int PESGraph::RandomSubsetsToGraph(int position) const
{
    return m->randomSet ? m->randomSubsets.value(position, -1) : -1;
}
void PESGraph::setRandomSubsetsToGraph(int position, int subset)
{
    if (position < 0 || position >= kMaxSubsets)
        return;
    if (!m->randomSet) {
        m->randomSet = true;
        m->randomSubsets.clear();
    }
    if (m->randomSubsets.size() <= position)
        m->randomSubsets.resize(position + 1, -1);
    m->randomSubsets[position] = subset;
    view->markLayoutDirty();
}
void PESGraph::clearRandomSubsetsToGraph()
{
    m->randomSet = true;
    m->randomSubsets.clear();
    view->markLayoutDirty();
}
void PESGraph::showAllSubsets()
{
    m->randomSet = false;
    m->randomSubsets.clear();
    view->markLayoutDirty();
}
QList<int> PESGraph::shownSubsets() const { return m->shownSubsets(); }

// ---- axes ------------------------------------------------------------------

static TAxisScale *axisAt(TGraphModel &m, int axis)
{
    if (axis < 0 || axis >= PESGraph::kMaxAxes)
        return nullptr;
    if (m.axes.size() <= axis) {
        // New axes start with the look of axis 0 but no subsets.
        TAxisScale fresh = m.axes.value(0);
        fresh.subsets = 0;
        fresh.label.clear();
        m.axes.resize(axis + 1, fresh);
    }
    return &m.axes[axis];
}

int PESGraph::MultiAxesSubsets(int axis) const { return m->axes.value(axis).subsets; }
void PESGraph::setMultiAxesSubsets(int axis, int count)
{
    if (auto *a = axisAt(*m, axis)) {
        a->subsets = std::clamp(count, 0, kMaxSubsets);
        view->markLayoutDirty();
    }
}
double PESGraph::MultiAxesProportions(int axis) const
{
    if (axis < 0 || axis >= m->axes.size())
        return 0.0;
    return m->axes[axis].proportion;
}
void PESGraph::setMultiAxesProportions(int axis, double proportion)
{
    if (!std::isfinite(proportion))
        return;
    if (auto *a = axisAt(*m, axis)) {
        a->proportion = std::clamp(proportion, 0.0, 1.0);
        view->markLayoutDirty();
    }
}
void PESGraph::resetMultiAxes()
{
    TAxisScale first = m->axes.value(0);
    first.subsets = 0;
    first.proportion = 1.0;
    m->axes = {first};
    m->workingAxis = 0;
    view->markLayoutDirty();
}
int PESGraph::axisCount() const { return m->axisCount(); }
int PESGraph::axisOfSubset(int subset) const { return m->axisOfSubset(subset); }
int PESGraph::WorkingAxis() const { return m->workingAxis; }
void PESGraph::setWorkingAxis(int axis)
{
    if (axisAt(*m, axis))
        m->workingAxis = axis;
}

// ---- scales ----------------------------------------------------------------

int PESGraph::ManualScaleControlX() const { return m->scaleControlX; }
void PESGraph::setManualScaleControlX(int control)
{
    m->scaleControlX = std::clamp(control, 0, 3);
    view->markScaleDirty();
}
double PESGraph::ManualMinX() const { return m->minX; }
void PESGraph::setManualMinX(double value)
{
    m->minX = value;
    view->markScaleDirty();
}
double PESGraph::ManualMaxX() const { return m->maxX; }
void PESGraph::setManualMaxX(double value)
{
    m->maxX = value;
    view->markScaleDirty();
}
int PESGraph::ManualScaleControlY() const { return m->axes.value(m->workingAxis).control; }
void PESGraph::setManualScaleControlY(int control)
{
    m->axes[m->workingAxis].control = std::clamp(control, 0, 3);
    view->markScaleDirty();
}
double PESGraph::ManualMinY() const { return m->axes.value(m->workingAxis).minY; }
void PESGraph::setManualMinY(double value)
{
    m->axes[m->workingAxis].minY = value;
    view->markScaleDirty();
}
double PESGraph::ManualMaxY() const { return m->axes.value(m->workingAxis).maxY; }
void PESGraph::setManualMaxY(double value)
{
    m->axes[m->workingAxis].maxY = value;
    view->markScaleDirty();
}

// ---- titles ----------------------------------------------------------------

#define PES_STRING(Name, field)                                                                   \
    QString PESGraph::Name() const { return m->field; }                                            \
    void PESGraph::set##Name(const QString &text)                                                  \
    {                                                                                              \
        m->field = text;                                                                           \
        view->markLayoutDirty();                                                                   \
    }
PES_STRING(MainTitle, mainTitle)
PES_STRING(SubTitle, subTitle)
PES_STRING(XAxisLabel, xAxisLabel)
PES_STRING(LowerBoundText, lowerBoundText)
PES_STRING(UpperBoundText, upperBoundText)
PES_STRING(RYAxisLabel, ryAxisLabel)
PES_STRING(TXAxisLabel, txAxisLabel)
#undef PES_STRING

QString PESGraph::Unit() const { return m->unit; }
void PESGraph::setUnit(const QString &text) { m->unit = text; }

QString PESGraph::YAxisLabel() const { return m->axes.value(m->workingAxis).label; }
void PESGraph::setYAxisLabel(const QString &text)
{
    m->axes[m->workingAxis].label = text;
    view->markLayoutDirty();
}

// ---- look ------------------------------------------------------------------

#define PES_VALUE(Type, Name, field, mark)                                                         \
    Type PESGraph::Name() const { return m->field; }                                               \
    void PESGraph::set##Name(PES_ARG(Type) value)                                                        \
    {                                                                                              \
        m->field = value;                                                                          \
        mark;                                                                                      \
    }
template <typename T> struct PesArg { using type = T; };
template <> struct PesArg<QColor> { using type = const QColor &; };
#define PES_ARG(Type) PesArg<Type>::type
#define PES_CLAMPED(Name, field, lo, hi, mark)                                                     \
    int PESGraph::Name() const { return m->field; }                                                \
    void PESGraph::set##Name(int value)                                                            \
    {                                                                                              \
        m->field = std::clamp(value, lo, hi);                                                      \
        mark;                                                                                      \
    }

PES_CLAMPED(GridStyle, gridStyle, 0, 3, view->markLookDirty())
PES_CLAMPED(GridLineControl, gridLines, 0, 3, view->markLookDirty())
PES_CLAMPED(PlottingMethod, plottingMethod, 0, 2, view->markLookDirty())
PES_CLAMPED(DataPrecision, dataPrecision, 0, 9, (void)0)
PES_CLAMPED(AllowZooming, allowZooming, 0, 3, (void)0)
PES_CLAMPED(DateTimeMode, dateTimeMode, 0, 1, view->markLookDirty())
PES_CLAMPED(AllowDataLabels, allowDataLabels, 0, 3, (void)0)

QFont PESGraph::TitleFont() const { return m->titleFont; }
void PESGraph::setTitleFont(const QFont &font)
{
    m->titleFont = font;
    view->markLayoutDirty();
}
QFont PESGraph::LabelFont() const { return m->labelFont; }
void PESGraph::setLabelFont(const QFont &font)
{
    m->labelFont = font;
    view->markLayoutDirty();
}
PES_VALUE(QColor, DeskColor, deskColor, view->markLookDirty())
PES_VALUE(QColor, GraphForeColor, foreColor, view->markLookDirty())
PES_VALUE(QColor, GraphBackColor, backColor, view->markLookDirty())
PES_VALUE(QColor, TextColor, textColor, view->markLookDirty())
PES_VALUE(bool, ShowLegend, showLegend, view->markLayoutDirty())
PES_VALUE(bool, DataShadows, dataShadows, (void)0)
PES_VALUE(bool, ScrollingHorzZoom, scrollingHorzZoom, (void)0)
PES_VALUE(bool, ScrollingVertZoom, scrollingVertZoom, (void)0)
PES_VALUE(bool, UsingXDataII, usingXDataII, (void)0)
PES_VALUE(bool, PrepareImages, prepareImages, (void)0)
PES_VALUE(bool, SubsetByPoint, subsetByPoint, (void)0)
PES_VALUE(bool, NoHelp, noHelp, (void)0)
PES_VALUE(bool, AllowPopup, allowPopup, (void)0)
PES_VALUE(bool, NullDataGaps, nullDataGaps, view->markDataDirty())
PES_VALUE(bool, AllowDataHotSpots, dataHotSpots, (void)0)
PES_VALUE(bool, AllowGraphHotSpots, graphHotSpots, (void)0)
PES_VALUE(bool, AllowGraphAnnotHotSpots, graphAnnotHotSpots, (void)0)
PES_VALUE(bool, NoRandomPointsToExport, noRandomPointsToExport, (void)0)
PES_VALUE(bool, FocalRect, focalRect, (void)0)
PES_VALUE(bool, AllowBar, allowBar, (void)0)
PES_VALUE(double, LineGapThreshold, lineGapThreshold, view->markDataDirty())
PES_VALUE(bool, AllowAxisPage, allowAxisPage, (void)0)
PES_VALUE(bool, AllowFontPage, allowFontPage, (void)0)
PES_VALUE(bool, AllowPage1, allowPage1, (void)0)
PES_VALUE(bool, AllowPage2, allowPage2, (void)0)
PES_VALUE(bool, AllowSubsetsPage, allowSubsetsPage, (void)0)
#undef PES_VALUE
#undef PES_CLAMPED

int PESGraph::ArrowCursor() const { return m->arrowCursor; }
void PESGraph::setArrowCursor(int kind)
{
    m->arrowCursor = std::clamp(kind, 0, 3);
    usingCustomCursor = false;
    applyCursor();
}
void PESGraph::setCustomCursor(const QCursor &cursor)
{
    customCursor = cursor;
    usingCustomCursor = true;
    applyCursor();
}
void PESGraph::applyCursor()
{
    QCursor c;
    if (usingCustomCursor)
        c = customCursor;
    else if (m->arrowCursor == CursorIBeam)
        c = QCursor(Qt::IBeamCursor);
    else if (m->arrowCursor == CursorCross)
        c = QCursor(Qt::CrossCursor);
    else
        c = QCursor(Qt::ArrowCursor);
    setCursor(c);
    if (QWidget *w = view ? view->plotWidget() : nullptr)
        w->setCursor(c);
}

// ---- actions ---------------------------------------------------------------

void PESGraph::sgResetImage()
{
    view->rebuild(false);
    view->scheduleRepaint();
}
void PESGraph::sgInvalidateImage() { view->repaint(); }
void PESGraph::Redraw()
{
    sgResetImage();
    sgInvalidateImage();
}
void PESGraph::sgReinitAndReset()
{
    view->rebuild(true);
    view->repaint();
}
void PESGraph::sgUndoZoom()
{
    view->undoZoom();
    view->scheduleRepaint();
}
bool PESGraph::isZoomed() const { return view->isZoomed(); }

int PESGraph::sgCustomize()
{
    const int result = customizeOpener() ? customizeOpener()(*this) : 0;
    emit OnCustomizeDlg(result);
    return result;
}

bool PESGraph::sgPrintDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    int answer;
    if (printHook()) {
        answer = printHook()(printer);
    } else {
        QPrintDialog dialog(&printer, window());
        answer = dialog.exec();
    }
    if (answer != QDialog::Accepted)
        return false;
    return PrintTo(printer);
}

bool PESGraph::PrintTo(QPrinter &printer)
{
    Redraw();
    // At the printer's own resolution the texts would come out several times too large.
    const ScreenResolution screen(printer);
    QCPPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    if (page.width() <= 0 || page.height() <= 0) {
        painter.end();
        return false;
    }
    PaintInto(painter, page.translated(-page.topLeft()));
    const bool ok = painter.end();
    // Back to the widget's own layout.
    plot()->replot();
    return ok;
}

PESGraph::ScreenResolution::ScreenResolution(QPrinter &p) : printer(p), resolution(p.resolution())
{
    printer.setResolution(96);
}

PESGraph::ScreenResolution::~ScreenResolution()
{
    printer.setResolution(resolution);
}

void PESGraph::PaintInto(QCPPainter &painter, const QRectF &target)
{
    if (target.width() <= 0 || target.height() <= 0)
        return;
    // Laid out at screen-like proportions of the target, then scaled onto it.
    const int width = std::max(plot()->width(), 900);
    const int height = std::max(1, int(width * target.height() / target.width()));
    const double scale = target.width() / width;
    painter.save();
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    view->fitLegend(width);
    plot()->toPainter(&painter, width, height);
    view->fitLegend();
    painter.restore();
}

// ---- pointer ---------------------------------------------------------------

QPoint PESGraph::lastMousePosition() const { return view->lastMousePosition(); }
QRect PESGraph::plotAreaRect() const { return view->plotAreaRect(); }
bool PESGraph::legendWhole() const { return view->legendWhole(); }
bool PESGraph::pixelToGraph(const QPointF &pixel, double *x, double *y, int axis) const
{
    return view->pixelToGraph(pixel, x, y, axis);
}
QPointF PESGraph::graphToPixel(double x, double y, int axis) const
{
    return view->graphToPixel(x, y, axis);
}

static void forwardMouse(QWidget *from, QWidget *to, QMouseEvent *event)
{
    const QPointF local = to->mapFrom(from, event->position());
    QMouseEvent copy(event->type(), local, event->scenePosition(), event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers());
    QCoreApplication::sendEvent(to, &copy);
}
void PESGraph::mousePressEvent(QMouseEvent *event) { forwardMouse(this, plot(), event); }
void PESGraph::mouseReleaseEvent(QMouseEvent *event) { forwardMouse(this, plot(), event); }
void PESGraph::mouseMoveEvent(QMouseEvent *event) { forwardMouse(this, plot(), event); }
void PESGraph::mouseDoubleClickEvent(QMouseEvent *event) { forwardMouse(this, plot(), event); }

// ---- block -----------------------------------------------------------------

QByteArray PESGraph::SaveGraphBlock() const { return GraphBlock::Save(*m); }
bool PESGraph::LoadGraphBlock(const QByteArray &block, QString *error)
{
    TGraphModel fresh;
    if (!GraphBlock::Load(block, &fresh, error))
        return false;
    setModel(fresh);
    return true;
}

bool PESGraph::CheckGraphBlock(const QByteArray &block, QString *error)
{
    TGraphModel scratch;
    return GraphBlock::Load(block, &scratch, error);
}

const TGraphModel &PESGraph::model() const { return *m; }
void PESGraph::setModel(const TGraphModel &model)
{
    *m = model;
    applyCursor();
    view->markLayoutDirty();
    emit OnDataReplaced();
}
QCustomPlot *PESGraph::plot() const { return view->plotWidget(); }

void PESGraph::setCustomizeOpener(CustomizeOpener opener) { customizeOpener() = std::move(opener); }
void PESGraph::setPrintHook(PrintHook hook) { printHook() = std::move(hook); }
