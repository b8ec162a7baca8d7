#include "graph/graphview.h"

#include "graph/graphmodel.h"
#include "graph/pesgraph.h"

#include <qcustomplot.h>

TGraphView::TGraphView(PESGraph *owner_)
    : QObject(owner_), owner(owner_), plot(new QCustomPlot(owner_))
{
}

TGraphView::~TGraphView() = default;

void TGraphView::markDataDirty(int) { allDataDirty = true; }
void TGraphView::markLayoutDirty() { layoutDirty = true; }
void TGraphView::markLookDirty() { lookDirty = true; }
void TGraphView::markScaleDirty() { scaleDirty = true; }
void TGraphView::markAnnotationsDirty() {}
void TGraphView::rebuild(bool) {}
void TGraphView::repaint() { plot->replot(); }
void TGraphView::undoZoom() { zoomed = false; }
QRect TGraphView::plotAreaRect() const { return plot->axisRect()->rect(); }
QRect TGraphView::tableRect() const { return QRect(); }
bool TGraphView::pixelToGraph(const QPointF &pixel, double *x, double *y, int) const
{
    *x = plot->xAxis->pixelToCoord(pixel.x());
    *y = plot->yAxis->pixelToCoord(pixel.y());
    return true;
}
QPointF TGraphView::graphToPixel(double x, double y, int) const
{
    return QPointF(plot->xAxis->coordToPixel(x), plot->yAxis->coordToPixel(y));
}
