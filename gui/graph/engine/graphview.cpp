#include "gui/graph/engine/graphview.h"

#include "core/base/datetime.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/engine/graphlayers.h"
#include "gui/graph/engine/graphenums.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr int kHitRadius = 8;

// Ticks for X values that are day counts: steps of whole seconds, minutes,
// hours or days, labelled with the locale's long time and short date.
class TDayTicker : public QCPAxisTicker
{
public:
    double lastStep = 1.0;

protected:
    double getTickStep(const QCPRange &range) override
    {
        const double wanted = range.size() / std::max(1, tickCount());
        static const double steps[] = {
            1, 2, 5, 10, 15, 30,                               // seconds
            60, 120, 300, 600, 900, 1800,                      // minutes
            3600, 7200, 10800, 21600, 43200,                   // hours
            86400, 2 * 86400.0, 7 * 86400.0, 14 * 86400.0, 28 * 86400.0,
            91 * 86400.0, 182 * 86400.0, 364 * 86400.0};
        double step = 0;
        for (double s : steps)
            if (s * kSecond >= wanted) {
                step = s * kSecond;
                break;
            }
        if (step == 0)
            step = cleanMantissa(wanted);
        lastStep = step;
        return step;
    }
    int getSubTickCount(double tickStep) override
    {
        const double seconds = tickStep * 86400.0;
        if (std::fabs(seconds - 60) < 1e-6 || std::fabs(seconds - 3600) < 1e-3)
            return 3;
        if (std::fabs(seconds - 86400) < 1e-2)
            return 3;
        return 1;
    }
    QString getTickLabel(double tick, const QLocale &, QChar, int) override
    {
        // Beyond the years 100 to 9999 a day count is shown as a number.
        if (!(tick >= -657434.0 && tick < 2958466.0))
            return QString::number(tick, 'g', 8);
        // Ticks lie on multiples of the step; strip the rounding noise first.
        const double snapped = std::round(tick * 86400.0) / 86400.0;
        if (lastStep >= 1.0 - 1e-9)
            return LocaleUtil::ShortDate(snapped);
        return LocaleUtil::LongTime(snapped) + QLatin1Char('\n') + LocaleUtil::ShortDate(snapped);
    }
};

} // namespace


// ---- the view --------------------------------------------------------------

TGraphView::TGraphView(QWidget *host, const TGraphModel *model_)
    : QObject(host), m_model(model_), plot(new QCustomPlot(host))
{
    plot->setObjectName(QStringLiteral("plot"));
    plot->plotLayout()->clear();            // our own layout is built at every layout change
    plot->addLayer(QStringLiteral("annotations"), plot->layer(QStringLiteral("legend")), QCustomPlot::limAbove);
    annotations = new TAnnotationLayerable(plot, this);
    table = new TTableLayerable(plot, this);
    plot->setSelectionRectMode(QCP::srmNone);
    plot->selectionRect()->setPen(QPen(Qt::gray, 1, Qt::DashLine));
    plot->selectionRect()->setBrush(QColor(128, 128, 128, 60));
    plot->setMouseTracking(true);
    connect(plot, &QCustomPlot::mousePress, this, &TGraphView::mousePress);
    connect(plot, &QCustomPlot::mouseMove, this, &TGraphView::mouseMove);
    connect(plot, &QCustomPlot::mouseRelease, this, &TGraphView::mouseRelease);
    connect(plot, &QCustomPlot::mouseDoubleClick, this, &TGraphView::mouseDoubleClick);
    connect(plot->selectionRect(), &QCPSelectionRect::accepted, this, &TGraphView::zoomRectAccepted);
    connect(plot, &QCustomPlot::mouseWheel, this, &TGraphView::mouseWheel);
    // Tick density follows the plot's width at every replot, the ones after a resize included.
    connect(plot, &QCustomPlot::beforeReplot, this, [this] {
        const int ticks = std::clamp(plot->width() / 130, 2, 12);
        for (QCPAxisRect *r : std::as_const(rects))
            r->axis(QCPAxis::atBottom)->ticker()->setTickCount(ticks);
        fitLegend();
    });
    rebuild(true);
}

TGraphView::~TGraphView() = default;

const TGraphModel &TGraphView::model() const { return *m_model; }

void TGraphView::markDataDirty(int subset)
{
    if (subset < 0) {
        allDataDirty = true;
        return;
    }
    if (subsetDirty.size() <= subset)
        subsetDirty.resize(subset + 1, false);
    subsetDirty[subset] = true;
}
void TGraphView::markLayoutDirty() { layoutDirty = true; }
void TGraphView::markLookDirty() { lookDirty = true; }
void TGraphView::markScaleDirty() { scaleDirty = true; }

void TGraphView::rebuild(bool everything)
{
    const TGraphModel &m = model();
    if (everything)
        layoutDirty = true;
    if (layoutDirty) {
        rebuildLayout();
        layoutDirty = false;
        lookDirty = scaleDirty = allDataDirty = true;
    }
    bool dataChanged = false;
    for (int s = 0; s < m.subsets; ++s) {
        if (allDataDirty || (s < subsetDirty.size() && subsetDirty[s])) {
            rebuildData(s);
            dataChanged = true;
        }
    }
    allDataDirty = false;
    subsetDirty.fill(false);
    if (lookDirty) {
        applyLook();
        lookDirty = false;
    }
    // Automatic scales follow the data.
    if (scaleDirty || dataChanged) {
        applyScales();
        scaleDirty = false;
    }
}

void TGraphView::scheduleRepaint()
{
    if (repaintPending)
        return;
    repaintPending = true;
    QTimer::singleShot(0, this, [this] {
        if (repaintPending)
            repaint();
    });
}

void TGraphView::repaint()
{
    repaintPending = false;
    plot->replot(QCustomPlot::rpImmediateRefresh);
}

void TGraphView::rebuildLayout()
{
    const TGraphModel &m = model();
    plot->clearGraphs();
    plot->plotLayout()->clear();
    rects.clear();
    legend = nullptr;
    graphs = QVector<QCPGraph *>(m.subsets, nullptr);
    delete margins;
    margins = new QCPMarginGroup(plot);

    QCPLayoutGrid *layout = plot->plotLayout();
    int row = 0;
    if (!m.mainTitle.trimmed().isEmpty()) {
        auto *title = new QCPTextElement(plot, m.mainTitle, m.titleFont);
        title->setTextColor(m.textColor);
        layout->addElement(row++, 0, title);
    }
    if (!m.subTitle.trimmed().isEmpty()) {
        QFont f = m.titleFont;
        f.setBold(false);
        f.setPointSizeF(std::max(6.0, f.pointSizeF() * 0.8));
        auto *sub = new QCPTextElement(plot, m.subTitle, f);
        sub->setTextColor(m.textColor);
        layout->addElement(row++, 0, sub);
    }
    const QList<int> shown = m.shownSubsets();
    if (m.showLegend && !shown.isEmpty()) {
        // The legend is centred at the top, clear of the window's readout at the top-left corner.
        legend = new QCPLegend;
        auto *legendRow = new QCPLayoutGrid;
        layout->addElement(row++, 0, legendRow);
        legendRow->addElement(0, 0, new QCPLayoutElement(plot));
        legendRow->addElement(0, 1, legend);
        legendRow->addElement(0, 2, new QCPLayoutElement(plot));
        legendRow->setColumnStretchFactors({1.0, 0.001, 1.0});
        legend->setLayer(QStringLiteral("legend"));
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setWrap(std::max<int>(1, int(shown.size())));
        legend->setBorderPen(Qt::NoPen);
        legend->setBrush(Qt::NoBrush);
        legend->setFont(m.labelFont);
        legend->setTextColor(m.textColor);
        legend->setMargins(QMargins(4, 2, 4, 2));
        legend->setColumnSpacing(14);
        layout->setRowStretchFactor(row - 1, 0.001);
    }
    for (int r = 0; r < row; ++r)
        layout->setRowStretchFactor(r, 0.001);

    auto *axesLayout = new QCPLayoutGrid;
    layout->addElement(row, 0, axesLayout);
    layout->setRowStretchFactor(row, 1);
    axesLayout->setRowSpacing(8);
    const int n = m.axisCount();
    for (int a = 0; a < n; ++a) {
        auto *r = new QCPAxisRect(plot);
        axesLayout->addElement(a, 0, r);
        axesLayout->setRowStretchFactor(a, std::max(0.01, m.axes[a].proportion));
        r->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        QCPAxis *x = r->axis(QCPAxis::atBottom);
        QCPAxis *y = r->axis(QCPAxis::atLeft);
        r->axis(QCPAxis::atTop)->setVisible(false);
        r->axis(QCPAxis::atRight)->setVisible(false);
        if (m.dateTimeMode == 1)
            x->setTicker(QSharedPointer<QCPAxisTicker>(new TDayTicker));
        const bool bottom = a == n - 1;
        x->setTickLabels(bottom);
        x->setLabel(bottom ? m.xAxisLabel : QString());
        y->setLabel(m.axes[a].label);
        if (!bottom)
            r->setAutoMargins(QCP::msLeft | QCP::msRight | QCP::msTop);
        if (a > 0)
            r->setAutoMargins(r->autoMargins() & ~QCP::msTop);
        if (!bottom)
            r->setMargins(QMargins(0, 0, 0, 2));
        rects.append(r);
    }

    for (int s : shown) {
        QCPAxisRect *r = rects[m.axisOfSubset(s)];
        QCPGraph *g = plot->addGraph(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
        g->setName(m.labels.value(s));
        g->removeFromLegend();
        if (legend)
            g->addToLegend(legend);
        graphs[s] = g;
    }
    if (zoomed && zoomY.size() > 0 && zoomY.size() != n)
        zoomed = false;
}

void TGraphView::fitLegend(int width)
{
    // As many labels a row as the plot's width holds whole; the others wrap
    // to further rows, so no label is cut in a narrow window.
    if (!legend || legend->itemCount() == 0)
        return;
    const int n = legend->itemCount();
    QVector<int> widths(n);
    for (int i = 0; i < n; ++i)
        widths[i] = legend->item(i) ? legend->item(i)->minimumOuterSizeHint().width() : 0;
    const int room = (width > 0 ? width : plot->width()) - legend->margins().left() - legend->margins().right() - 8;
    int wrap = 1;
    for (int perRow = n; perRow > 1; --perRow) {
        int total = legend->columnSpacing() * (perRow - 1);
        for (int c = 0; c < perRow; ++c) {
            int widest = 0;
            for (int i = c; i < n; i += perRow)
                widest = std::max(widest, widths[i]);
            total += widest;
        }
        if (total <= room) {
            wrap = perRow;
            break;
        }
    }
    if (wrap != legend->wrap()) {
        legend->setWrap(wrap);
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true); // places the labels again
    }
}

void TGraphView::rebuildData(int s)
{
    const TGraphModel &m = model();
    const QVector<double> &xs = m.x[s];
    const QVector<float> &ys = m.y[s];
    // The subset's extent, kept for the automatic scales (one pass over the
    // cells instead of one more per scale at every redraw).
    TSubsetExtent extent;
    for (int p = 0; p < m.points; ++p) {
        const float y = ys[p];
        if (m.isNull(y))
            continue;
        if (std::isfinite(y)) {
            extent.yLo = std::min(extent.yLo, double(y));
            extent.yHi = std::max(extent.yHi, double(y));
        }
        const double x = xs[p];
        if (std::isfinite(x)) {
            extent.xLo = std::min(extent.xLo, x);
            extent.xHi = std::max(extent.xHi, x);
        }
    }
    if (extents.size() <= s)
        extents.resize(s + 1);
    extents[s] = extent;

    QCPGraph *g = graphs.value(s);
    if (!g)
        return;
    // Written in place, then cut to length: a point each, and at most one
    // gap before each when gaps can occur.
    const bool gaps = m.nullDataGaps || m.lineGapThreshold < 1e19;
    QVector<QCPGraphData> data(qsizetype(m.points) * (gaps ? 2 : 1));
    QCPGraphData *out = data.data();
    const double gapValue = std::numeric_limits<double>::quiet_NaN();
    bool sorted = true;
    bool havePrevious = false;
    double previousX = 0;
    for (int p = 0; p < m.points; ++p) {
        const float y = ys[p];
        const double x = xs[p];
        if (!std::isfinite(x))
            continue;
        if (m.isNull(y)) {
            // A null point is skipped (the line joins its neighbours) or breaks the line.
            if (m.nullDataGaps && havePrevious)
                *out++ = QCPGraphData(previousX, gapValue);
            continue;
        }
        if (havePrevious) {
            if (x < previousX)
                sorted = false;
            else if (x - previousX > m.lineGapThreshold)
                *out++ = QCPGraphData(previousX, gapValue);
        }
        *out++ = QCPGraphData(x, double(y));
        previousX = x;
        havePrevious = true;
    }
    data.resize(out - data.constData());
    g->data()->set(data, sorted);
}

void TGraphView::applyLook()
{
    const TGraphModel &m = model();
    plot->setBackground(m.deskColor);
    QPen grid(m.foreColor, 0, Qt::SolidLine);
    switch (m.gridStyle) {
    case TGraphEnums::GridThick: grid.setWidth(2); break;
    case TGraphEnums::GridDotted: grid.setStyle(Qt::DotLine); break;
    case TGraphEnums::GridDashed: grid.setStyle(Qt::DashLine); break;
    default: break;
    }
    const bool gridX = m.gridLines == TGraphEnums::GridBoth || m.gridLines == TGraphEnums::GridXOnly;
    const bool gridY = m.gridLines == TGraphEnums::GridBoth || m.gridLines == TGraphEnums::GridYOnly;
    for (QCPAxisRect *r : std::as_const(rects)) {
        r->setBackground(m.backColor);
        for (QCPAxis *axis : {r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft)}) {
            axis->setBasePen(QPen(m.foreColor));
            axis->setTickPen(QPen(m.foreColor));
            axis->setSubTickPen(QPen(m.foreColor));
            axis->setTickLabelColor(m.textColor);
            axis->setLabelColor(m.textColor);
            axis->setTickLabelFont(m.labelFont);
            axis->setLabelFont(m.labelFont);
            axis->grid()->setPen(grid);
            axis->grid()->setZeroLinePen(grid);
        }
        r->axis(QCPAxis::atBottom)->grid()->setVisible(gridX);
        r->axis(QCPAxis::atLeft)->grid()->setVisible(gridY);
    }
    for (int s = 0; s < graphs.size(); ++s) {
        QCPGraph *g = graphs[s];
        if (!g)
            continue;
        g->setName(m.labels.value(s));
        g->setPen(QPen(m.colors.value(s), m.lineWidths.value(s, 1)));
        if (m.plottingMethod == TGraphEnums::PlotPoints) {
            g->setLineStyle(QCPGraph::lsNone);
            g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
        } else if (m.plottingMethod == TGraphEnums::PlotPointsAndLine) {
            g->setLineStyle(QCPGraph::lsLine);
            g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
        } else {
            g->setLineStyle(QCPGraph::lsLine);
            g->setScatterStyle(QCPScatterStyle());
        }
    }
}

static QCPRange sane(QCPRange r, bool dateTime)
{
    if (!std::isfinite(r.lower) || !std::isfinite(r.upper))
        return QCPRange(0, 1);
    if (r.lower > r.upper)
        std::swap(r.lower, r.upper);
    if (r.upper - r.lower < 1e-12 * std::max(1.0, std::fabs(r.lower))) {
        // An empty range is widened around its value.
        const double half = dateTime ? 30 * kSecond : std::max(0.5, std::fabs(r.lower) * 0.05);
        r = QCPRange(r.lower - half, r.upper + half);
    }
    return r;
}

QCPRange TGraphView::autoRangeX() const
{
    const TGraphModel &m = model();
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int s : m.shownSubsets()) {
        if (s < 0 || s >= extents.size())
            continue;
        lo = std::min(lo, extents[s].xLo);
        hi = std::max(hi, extents[s].xHi);
    }
    return lo <= hi ? QCPRange(lo, hi) : QCPRange(0, 1);
}

QCPRange TGraphView::autoRangeY(int axis) const
{
    const TGraphModel &m = model();
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int s : m.shownSubsets()) {
        if (m.axisOfSubset(s) != axis || s < 0 || s >= extents.size())
            continue;
        lo = std::min(lo, extents[s].yLo);
        hi = std::max(hi, extents[s].yHi);
    }
    if (lo > hi)
        return QCPRange(0, 1);
    const double margin = (hi - lo) * 0.05;
    return QCPRange(lo - margin, hi + margin);
}

void TGraphView::applyScales()
{
    const TGraphModel &m = model();
    const bool dateTime = m.dateTimeMode == 1;
    QCPRange x;
    if (zoomed) {
        x = zoomX;
    } else {
        x = m.scaleControlX == TGraphEnums::ScaleAuto ? autoRangeX() : QCPRange(m.minX, m.maxX);
        if (m.scaleControlX == TGraphEnums::ScaleManualMin || m.scaleControlX == TGraphEnums::ScaleManualMax) {
            const QCPRange a = autoRangeX();
            x = m.scaleControlX == TGraphEnums::ScaleManualMin ? QCPRange(m.minX, std::max(m.minX, a.upper))
                                                              : QCPRange(std::min(a.lower, m.maxX), m.maxX);
        }
    }
    x = sane(x, dateTime);
    for (int a = 0; a < rects.size(); ++a) {
        rects[a]->axis(QCPAxis::atBottom)->setRange(x);
        QCPRange y;
        const TAxisScale &scale = m.axes.value(a);
        if (zoomed && a < zoomY.size()) {
            y = zoomY[a];
        } else if (scale.control == TGraphEnums::ScaleManualMinMax) {
            y = QCPRange(scale.minY, scale.maxY);
        } else if (scale.control == TGraphEnums::ScaleManualMin) {
            y = QCPRange(scale.minY, std::max(scale.minY, autoRangeY(a).upper));
        } else if (scale.control == TGraphEnums::ScaleManualMax) {
            y = QCPRange(std::min(autoRangeY(a).lower, scale.maxY), scale.maxY);
        } else {
            y = autoRangeY(a);
        }
        rects[a]->axis(QCPAxis::atLeft)->setRange(sane(y, false));
    }
}

void TGraphView::undoZoom()
{
    zoomed = false;
    zoomY.clear();
    scaleDirty = true;
    applyScales();
    scaleDirty = false;
}

QRect TGraphView::plotAreaRect() const
{
    QRect out;
    for (QCPAxisRect *r : rects)
        out = out.united(r->rect());
    return out;
}

bool TGraphView::legendWhole() const
{
    if (!legend)
        return true;
    for (int i = 0; i < legend->itemCount(); ++i)
        if (QCPAbstractLegendItem *item = legend->item(i))
            if (item->outerRect().width() < item->minimumOuterSizeHint().width())
                return false;
    return true;
}

QRect TGraphView::tableRect() const { return table->drawn; }

bool TGraphView::pixelToGraph(const QPointF &pixel, double *x, double *y, int axis) const
{
    QCPAxisRect *r = axisRect(axis);
    if (!r)
        return false;
    if (x)
        *x = r->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x());
    if (y)
        *y = r->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y());
    return true;
}

QPointF TGraphView::graphToPixel(double x, double y, int axis) const
{
    QCPAxisRect *r = axisRect(axis);
    if (!r)
        return QPointF();
    return QPointF(r->axis(QCPAxis::atBottom)->coordToPixel(x), r->axis(QCPAxis::atLeft)->coordToPixel(y));
}

int TGraphView::annotationAt(const QPoint &pixel) const
{
    for (int i = int(annotations->hits.size()) - 1; i >= 0; --i)
        if (annotations->hits[i].rect.adjusted(-2, -2, 2, 2).contains(pixel))
            return annotations->hits[i].index;
    return -1;
}

bool TGraphView::dataPointAt(const QPoint &pixel, int *subset, int *point) const
{
    const TGraphModel &m = model();
    double best = kHitRadius * kHitRadius + 1;
    int bestS = -1, bestP = -1;
    for (int s : m.shownSubsets()) {
        QCPAxisRect *r = axisRect(m.axisOfSubset(s));
        if (!r || !r->rect().adjusted(-kHitRadius, -kHitRadius, kHitRadius, kHitRadius).contains(pixel))
            continue;
        QCPAxis *xa = r->axis(QCPAxis::atBottom);
        QCPAxis *ya = r->axis(QCPAxis::atLeft);
        // Only points within the hit radius in X can qualify.
        const double x0 = xa->pixelToCoord(pixel.x() - kHitRadius);
        const double x1 = xa->pixelToCoord(pixel.x() + kHitRadius);
        const double xlo = std::min(x0, x1), xhi = std::max(x0, x1);
        for (int p = 0; p < m.points; ++p) {
            const double x = m.x[s][p];
            if (x < xlo || x > xhi || m.isNull(m.y[s][p]))
                continue;
            const double dx = xa->coordToPixel(x) - pixel.x();
            const double dy = ya->coordToPixel(m.y[s][p]) - pixel.y();
            const double d = dx * dx + dy * dy;
            if (d < best) {
                best = d;
                bestS = s;
                bestP = p;
            }
        }
    }
    if (bestS < 0)
        return false;
    *subset = bestS;
    *point = bestP;
    return true;
}

int TGraphView::rectIndexAt(const QPointF &pixel) const
{
    for (int a = 0; a < rects.size(); ++a)
        if (rects[a]->rect().contains(pixel.toPoint()))
            return a;
    return -1;
}

// ---- pointer ---------------------------------------------------------------

void TGraphView::mousePress(QMouseEvent *event)
{
    const TGraphModel &m = model();
    lastMouse = event->pos();
    pressPos = event->pos();
    pressed = event->button() == Qt::LeftButton;
    draggingTable = false;
    bool zoom = pressed && m.allowZooming != TGraphEnums::ZoomNone && rectIndexAt(event->pos()) >= 0;
    if (pressed && m.table.show && m.table.movable && table->drawn.contains(event->pos())) {
        draggingTable = true;
        dragOffset = event->pos() - table->drawn.topLeft();
        zoom = false;
    }
    // QCustomPlot looks at the mode after this signal: start a zoom rectangle only when wanted.
    plot->setSelectionRectMode(zoom ? QCP::srmCustom : QCP::srmNone);
}

void TGraphView::mouseMove(QMouseEvent *event)
{
    const TGraphModel &m = model();
    lastMouse = event->pos();
    if (draggingTable) {
        const QPoint topLeft = event->pos() - dragOffset;
        emit tableMoved(topLeft - plotAreaRect().topLeft());
        plot->replot(QCustomPlot::rpQueuedReplot);
    }
    emit mouseMoved();
    if (m.graphAnnotHotSpots || m.graphHotSpots) {
        const int hit = annotationAt(event->pos());
        if (hit >= 0 && hit != hoverAnnotation)
            emit graphHotSpot();
        hoverAnnotation = hit;
    }
}

void TGraphView::mouseRelease(QMouseEvent *event)
{
    lastMouse = event->pos();
    const bool wasPressed = pressed;
    pressed = false;
    if (draggingTable) {
        draggingTable = false;
        return;
    }
    if (swallowRelease) {
        swallowRelease = false;
        return;
    }
    if (!wasPressed || event->button() != Qt::LeftButton || (event->pos() - pressPos).manhattanLength() > 3)
        return;
    const TGraphModel &m = model();
    if (m.graphAnnotHotSpots) {
        const int hit = annotationAt(event->pos());
        if (hit >= 0)
            emit annotationHotSpot(false, hit);
    }
    int s, p;
    if (m.dataHotSpots && dataPointAt(event->pos(), &s, &p))
        emit dataHotSpot(false, p, s);
    emit clicked();
}

void TGraphView::mouseDoubleClick(QMouseEvent *event)
{
    lastMouse = event->pos();
    if (event->button() != Qt::LeftButton)
        return;
    // The release that ends a double click is not a click of its own.
    swallowRelease = true;
    const TGraphModel &m = model();
    if (m.graphAnnotHotSpots) {
        const int hit = annotationAt(event->pos());
        if (hit >= 0) {
            emit annotationHotSpot(true, hit);
            return;
        }
    }
    int s, p;
    if (m.dataHotSpots && dataPointAt(event->pos(), &s, &p))
        emit dataHotSpot(true, p, s);
}

void TGraphView::zoomRectAccepted(const QRect &rect, QMouseEvent *)
{
    const TGraphModel &m = model();
    plot->setSelectionRectMode(QCP::srmNone);
    const QRect r = rect.normalized();
    if (r.width() < 4 && r.height() < 4)
        return;
    const int a = rectIndexAt(r.center()) >= 0 ? rectIndexAt(r.center()) : std::max(0, rectIndexAt(pressPos));
    if (a >= rects.size())
        return;
    QCPAxis *xa = rects[a]->axis(QCPAxis::atBottom);
    QCPAxis *ya = rects[a]->axis(QCPAxis::atLeft);
    const bool horizontal = m.allowZooming == TGraphEnums::ZoomHorizontal || m.allowZooming == TGraphEnums::ZoomBoth;
    const bool vertical = m.allowZooming == TGraphEnums::ZoomVertical || m.allowZooming == TGraphEnums::ZoomBoth;
    QCPRange newX = xa->range();
    if (horizontal && r.width() >= 4)
        newX = QCPRange(xa->pixelToCoord(r.left()), xa->pixelToCoord(r.right()));
    QVector<QCPRange> newY;
    for (QCPAxisRect *each : std::as_const(rects))
        newY.append(each->axis(QCPAxis::atLeft)->range());
    if (vertical && r.height() >= 4)
        newY[a] = QCPRange(ya->pixelToCoord(r.bottom()), ya->pixelToCoord(r.top()));
    zoomed = true;
    newX.normalize();
    zoomX = newX;
    zoomY = newY;
    applyScales();
    repaint();
    emit zoomedIn();
}

void TGraphView::mouseWheel(QWheelEvent *event)
{
    // A zoomed graph scrolls: the wheel moves the X range (or, with Shift,
    // the Y ranges) by a tenth per notch, when scrolling of that zoom is on.
    const TGraphModel &m = model();
    if (!zoomed)
        return;
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    if (event->modifiers() & Qt::ShiftModifier) {
        if (!m.scrollingVertZoom || zoomY.isEmpty())
            return;
        for (QCPRange &r : zoomY)
            r += r.size() * 0.1 * notches;
    } else {
        if (!m.scrollingHorzZoom)
            return;
        zoomX += zoomX.size() * 0.1 * -notches;
    }
    applyScales();
    repaint();
}
