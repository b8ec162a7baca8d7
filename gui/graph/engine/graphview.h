#pragma once
// How a PESGraph's model is drawn with QCustomPlot, and the pointer handling
// (zoom rectangle, hot spots, dragging the table). Private to the graph: it
// reads the control's model and tells the control what the pointer did
// through its signals, without knowing the control.

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QVector>
#include <qcustomplot.h>

#include <limits>

struct TGraphModel;
class TAnnotationLayerable;
class TTableLayerable;

class TGraphView : public QObject
{
    Q_OBJECT
public:
    // The plot is a child of `host`; `model` outlives the view.
    TGraphView(QWidget *host, const TGraphModel *model);
    ~TGraphView() override;

    QCustomPlot *plotWidget() const { return plot; }

    void markDataDirty(int subset = -1);
    void markLayoutDirty();
    void markLookDirty();
    void markScaleDirty();
    void markAnnotationsDirty() {}   // annotations are drawn from the model at every repaint

    void rebuild(bool everything);   // bring the plot in line with the model
    void repaint();
    void scheduleRepaint();          // one repaint from the event loop unless repaint() comes first
    // The legend's labels in as many rows as the width needs (the plot's own
    // width unless another is given, as for a printout).
    void fitLegend(int width = -1);
    void undoZoom();
    bool isZoomed() const { return zoomed; }

    QPoint lastMousePosition() const { return lastMouse; }
    QRect plotAreaRect() const;
    bool legendWhole() const;
    QRect tableRect() const;
    bool pixelToGraph(const QPointF &pixel, double *x, double *y, int axis) const;
    QPointF graphToPixel(double x, double y, int axis) const;
    int annotationAt(const QPoint &pixel) const;        // -1 when none
    bool dataPointAt(const QPoint &pixel, int *subset, int *point) const;

    // Used by the drawing layerables.
    const TGraphModel &model() const;
    QCPAxisRect *axisRect(int axis) const { return axis >= 0 && axis < rects.size() ? rects[axis] : nullptr; }
    int rectCount() const { return int(rects.size()); }

signals:
    void clicked();                                   // left button released without a drag
    void mouseMoved();
    void zoomedIn();
    void dataHotSpot(bool doubleClick, int point, int subset);
    void graphHotSpot();                              // pointer entered an annotation
    void annotationHotSpot(bool doubleClick, int index);
    void tableMoved(const QPoint &location);          // the table dragged to this place

private slots:
    void mousePress(QMouseEvent *event);
    void mouseMove(QMouseEvent *event);
    void mouseRelease(QMouseEvent *event);
    void mouseDoubleClick(QMouseEvent *event);
    void zoomRectAccepted(const QRect &rect, QMouseEvent *event);
    void mouseWheel(QWheelEvent *event);

private:
    void rebuildLayout();
    void rebuildData(int subset);
    void applyLook();
    void applyScales();
    QCPRange autoRangeX() const;
    QCPRange autoRangeY(int axis) const;
    int rectIndexAt(const QPointF &pixel) const;

    const TGraphModel *m_model;
    QCustomPlot *plot;
    TAnnotationLayerable *annotations = nullptr;
    TTableLayerable *table = nullptr;
    QVector<QCPAxisRect *> rects;
    QVector<QCPGraph *> graphs;         // per subset; null when not shown
    QCPLegend *legend = nullptr;
    QCPMarginGroup *margins = nullptr;

    bool layoutDirty = true;
    bool lookDirty = true;
    bool scaleDirty = true;
    bool allDataDirty = true;
    QVector<bool> subsetDirty;
    // Per subset, the extent of its drawn cells, found when its data is rebuilt.
    struct TSubsetExtent {
        double xLo = std::numeric_limits<double>::infinity(), xHi = -std::numeric_limits<double>::infinity();
        double yLo = std::numeric_limits<double>::infinity(), yHi = -std::numeric_limits<double>::infinity();
    };
    QVector<TSubsetExtent> extents;

    bool repaintPending = false;
    bool zoomed = false;
    QCPRange zoomX;
    QVector<QCPRange> zoomY;           // per axis; size 0 when only X was zoomed

    QPoint lastMouse;
    QPoint pressPos;
    bool pressed = false;
    bool draggingTable = false;
    QPoint dragOffset;
    bool swallowRelease = false;
    int hoverAnnotation = -1;
};
